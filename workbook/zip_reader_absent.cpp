#include "workbook/zip_reader.h"

// A cross-build without minizip (the 32-bit Windows core): CSV is read as everywhere,
// zip archives and so xlsx files are refused with a reason.

namespace {
constexpr const char* kNoZip = "this build reads no zip archives (it was made without minizip)";
} // namespace

ZipReader::~ZipReader() = default;

bool ZipReader::Open(const std::string&, std::string& error)
{
    error = kNoZip;
    return false;
}

bool ZipReader::Has(std::string_view, std::string& error)
{
    error = kNoZip;
    return false;
}

bool ZipReader::OpenMember(std::string_view, std::string& error)
{
    error = kNoZip;
    return false;
}

long long ZipReader::Read(char*, std::size_t, std::string& error)
{
    error = kNoZip;
    return -1;
}
