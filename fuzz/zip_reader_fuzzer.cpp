// The zip reader on arbitrary bytes: a member is read whole only when it ends exactly at the
// size its entry declares.

#include "fuzz_support.h"
#include "workbook/zip_reader.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = fuzz::WriteInput("input.zip", data, size);
    ZipReader zip;
    std::string error;
    if (!zip.Open(path, error)) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    std::vector<char> buffer(4096);
    for (const char* name : {"[Content_Types].xml", "xl/workbook.xml", "xl/worksheets/sheet1.xml", "xl/sharedStrings.xml"}) {
        error.clear();
        if (!zip.OpenMember(name, error)) {
            FUZZ_CHECK(!error.empty());
            continue;
        }
        FUZZ_CHECK(zip.MemberSize() <= ZipReader::kMaxMemberSize);
        uint64_t total = 0;
        long long got = 0;
        while ((got = zip.Read(buffer.data(), buffer.size(), error)) > 0) {
            FUZZ_CHECK(static_cast<size_t>(got) <= buffer.size());
            total += static_cast<uint64_t>(got);
            FUZZ_CHECK(total <= zip.MemberSize());
        }
        FUZZ_CHECK(got == 0 ? total == zip.MemberSize() : !error.empty());
    }
    return 0;
}
