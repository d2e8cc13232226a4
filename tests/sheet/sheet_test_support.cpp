#include "sheet_test_support.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <unistd.h>

Bytes Hex(const std::string& text)
{
    Bytes bytes;
    std::string digits;
    for (const char c : text) {
        if (std::isxdigit(static_cast<unsigned char>(c)))
            digits += c;
        if (digits.size() == 2) {
            bytes.push_back(static_cast<uint8_t>(std::stoi(digits, nullptr, 16)));
            digits.clear();
        }
    }
    return bytes;
}

Bytes Join(std::initializer_list<Bytes> parts)
{
    Bytes bytes;
    for (const auto& part : parts)
        bytes.insert(bytes.end(), part.begin(), part.end());
    return bytes;
}

Bytes ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::filesystem::path& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

testing::AssertionResult SameBytes(const Bytes& actual, const Bytes& expected)
{
    const auto [a, e] = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
    if (a == actual.end() && e == expected.end())
        return testing::AssertionSuccess();
    const auto from = [](const Bytes& bytes, Bytes::const_iterator at) {
        static constexpr char kDigits[] = "0123456789ABCDEF";
        std::string text = at == bytes.end() ? " <end>" : "";
        for (auto it = at; it != bytes.end() && it - at < 8; ++it)
            text += {' ', kDigits[*it >> 4], kDigits[*it & 0xF]};
        return text;
    };
    return testing::AssertionFailure() << "first difference at offset " << (a - actual.begin()) << " (sizes "
                                       << actual.size() << " and " << expected.size() << "): actual"
                                       << from(actual, a) << ", expected" << from(expected, e);
}

int16_t WriteCells(SheetFile& file, std::initializer_list<SheetCell> cells, const SheetCellStyle& style)
{
    for (const auto& cell : cells) {
        if (const int16_t result = file.Write(cell, style); result != 0)
            return result;
    }
    return 0;
}

int16_t WriteSheet(const std::filesystem::path& path, std::initializer_list<SheetCell> cells,
                   const SheetFileOptions& options)
{
    SheetFile file;
    int16_t result = file.Open(path.string(), options);
    if (result == 0)
        result = WriteCells(file, cells);
    return result == 0 ? int16_t{file.Close()} : result;
}

SheetTest::SheetTest()
{
#if defined(_WIN32)
    std::mt19937 generator{std::random_device{}()};
    do
        folder_ = std::filesystem::temp_directory_path() / ("sheet_test_" + std::to_string(generator()));
    while (!std::filesystem::create_directory(folder_));
#else
    char pattern[] = "/tmp/sheet_test_XXXXXX";
    folder_ = ::mkdtemp(pattern);
#endif
}

SheetTest::~SheetTest()
{
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

std::vector<std::string> SheetTest::FolderEntries() const
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder_))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
