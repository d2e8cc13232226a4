// The data-access library through its C interface. Input: the header size (2 bytes,
// little-endian), the requested range (two OmegaDates), the header file, the data file
// (d000001.omd, the first security's).

#include "fuzz_support.h"

#include <qv2omg.h>

#include <strings.h>

namespace {

int64_t KeyOf(const OmegaDate& date)
{
    return (int64_t{date.year} + 1900) * 10000 + int64_t{date.month} * 100 + date.day;
}

void CheckData(const char* folder, const char* symbol, const OmegaDate& first, const OmegaDate& last)
{
    DateRange range{};
    FUZZ_CHECK(QV2ORDM_GetDateRange(folder, symbol, &range) == 0);
    FileContext context{};
    const int16_t opened = QV2ORDM_OpenDataFile(folder, symbol, &first, &last, &context);
    FUZZ_CHECK(!range.available || opened == 0);
    if (opened != 0)
        return;
    PriceRecord record{};
    // A read that never ends is a finding too (libFuzzer's -timeout).
    while (QV2ORDM_ReadData(&context, &record, 1) == 1)
        FUZZ_CHECK(KeyOf(record.date) >= KeyOf(first) && KeyOf(record.date) <= KeyOf(last));
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
    fuzz::WriteInput("master.omg", data + kPrefix, headerSize);
    fuzz::WriteInput("d000001.omd", data + kPrefix + headerSize, size - kPrefix - headerSize);

    const std::string folderName = fuzz::Folder();
    const char* folder = folderName.c_str();
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
        FUZZ_CHECK(strcasecmp(found.symbol, record.symbol) == 0);
        if (i < 2)
            CheckData(folder, record.symbol, first, last);
    }
    FUZZ_CHECK(QV2ORDM_ReadHeader(&header, count, &record) != 0);
    FUZZ_CHECK(QV2ORDM_CloseHeaderFile(&header) == 0);
    FUZZ_CHECK(QV2ORDM_ReadHeader(&header, 0, &record) != 0);
    return 0;
}
