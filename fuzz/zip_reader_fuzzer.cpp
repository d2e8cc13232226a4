// The zip reader on arbitrary bytes. Besides crashes: a member is read whole only when it
// ends exactly at the size its entry declares, which never passes the reader's bounds; a
// refusal always says why.

#include "fuzz_check.h"
#include "fuzz_file.h"
#include "workbook/zip_reader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = fuzz::WriteInput(data, size);
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
        if (got == 0)
            FUZZ_CHECK(total == zip.MemberSize());
        else
            FUZZ_CHECK(!error.empty());
    }
    return 0;
}
