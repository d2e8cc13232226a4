#include "sheet_test_support.h"

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
