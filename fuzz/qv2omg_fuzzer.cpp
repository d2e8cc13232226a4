// The data-access library on arbitrary header and data files, through its C interface as
// the program calls it. Input: 2 bytes header size (little-endian), a requested range as
// two dates of three 32-bit integers, then the header file, then the data file (saved as
// d000001.omd, the name the first security of a new database gets).
// Besides crashes: every entry below the count reads; a symbol read from the header is
// found by search; a security whose data are available opens; every record delivered lies
// inside the requested range; a closed context is refused.

#include "fuzz_check.h"

#include <qv2omg.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

// Memory, where there is some: two files are written per input. A plain array, so that
// it outlives the handler that removes the folder at exit.
char gFolder[64];

const char* Folder()
{
    if (gFolder[0] == '\0') {
        std::strcpy(gFolder, ::access("/dev/shm", W_OK) == 0 ? "/dev/shm/qv2omg-fuzz-XXXXXX" : "/tmp/qv2omg-fuzz-XXXXXX");
        FUZZ_CHECK(::mkdtemp(gFolder) != nullptr);
        std::atexit([] { std::filesystem::remove_all(gFolder); });
    }
    return gFolder;
}

void Save(const std::string& name, const uint8_t* data, size_t size)
{
    std::FILE* file = std::fopen((std::string(Folder()) + "/" + name).c_str(), "wb");
    FUZZ_CHECK(file != nullptr);
    FUZZ_CHECK(std::fwrite(data, 1, size, file) == size || size == 0);
    std::fclose(file);
}

int64_t KeyOf(const OmegaDate& date)
{
    return (int64_t{date.year} + 1900) * 10000 + int64_t{date.month} * 100 + date.day;
}

bool SameSymbol(const char* a, const char* b)
{
    for (;; ++a, ++b) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(*a) != lower(*b))
            return false;
        if (*a == '\0')
            return true;
    }
}

void CheckData(const char* folder, const char* symbol, const OmegaDate& first, const OmegaDate& last)
{
    DateRange range{};
    FUZZ_CHECK(QV2ORDM_GetDateRange(folder, symbol, &range) == 0);
    FileContext context{};
    const int16_t opened = QV2ORDM_OpenDataFile(folder, symbol, &first, &last, &context);
    if (range.available)
        FUZZ_CHECK(opened == 0);
    if (opened != 0)
        return;
    PriceRecord record{};
    // A file cannot hold more records than bytes.
    for (int n = 0; QV2ORDM_ReadData(&context, &record, 1) == 1; ++n) {
        const int64_t key = KeyOf(record.date);
        FUZZ_CHECK(key >= KeyOf(first) && key <= KeyOf(last));
        FUZZ_CHECK(n < 1 << 20);
    }
    FUZZ_CHECK(QV2ORDM_CloseDataFile(&context) == 0);
    FUZZ_CHECK(QV2ORDM_ReadData(&context, &record, 1) == 0);
    FUZZ_CHECK(QV2ORDM_CloseDataFile(&context) != 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    constexpr size_t kPrefix = 2 + 2 * sizeof(OmegaDate);
    if (size < kPrefix)
        return 0;
    const size_t headerSize = std::min<size_t>(data[0] | data[1] << 8, size - kPrefix);
    OmegaDate first, last;
    std::memcpy(&first, data + 2, sizeof first);
    std::memcpy(&last, data + 2 + sizeof first, sizeof last);
    Save("master.omg", data + kPrefix, headerSize);
    Save("d000001.omd", data + kPrefix + headerSize, size - kPrefix - headerSize);

    const char* folder = Folder();
    FileContext header{};
    const int32_t count = QV2ORDM_OpenHeaderFile(folder, &header);
    if (count <= 0)
        return 0;
    SecurityRecord record{};
    for (int32_t i = 0; i < count && i < 16; ++i) {
        FUZZ_CHECK(QV2ORDM_ReadHeader(&header, i, &record) == 0);
        if (record.symbol[0] == '\0')
            continue;
        SecurityRecord found{};
        FUZZ_CHECK(QV2ORDM_SearchSecurity(folder, record.symbol, &found) == 0);
        FUZZ_CHECK(SameSymbol(found.symbol, record.symbol));
        if (i < 2)
            CheckData(folder, record.symbol, first, last);
    }
    FUZZ_CHECK(QV2ORDM_ReadHeader(&header, count, &record) != 0);
    FUZZ_CHECK(QV2ORDM_CloseHeaderFile(&header) == 0);
    FUZZ_CHECK(QV2ORDM_ReadHeader(&header, 0, &record) != 0);
    return 0;
}
