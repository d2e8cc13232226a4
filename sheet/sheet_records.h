#pragma once

#include <cstddef>
#include <cstdint>

// The records of the pattern file formats, for the writer and the reader alike. A record is
// a header of two little-endian words, its type and the length of its data, then the data.
// Lengths here are of the data; a label's length adds its text.
namespace sheet_records {

constexpr std::size_t kHeaderSize = 4;

namespace wk1 {
constexpr uint16_t kBof = 0x0000;
constexpr uint16_t kEof = 0x0001;
constexpr uint16_t kRange = 0x0006;
constexpr uint16_t kName = 0x000B;
constexpr uint16_t kBlank = 0x000C;
constexpr uint16_t kInteger = 0x000D;
constexpr uint16_t kNumber = 0x000E;
constexpr uint16_t kLabel = 0x000F;

constexpr uint16_t kVersion = 0x0406;  // the BOF's data
constexpr std::size_t kBofLength = 2;
constexpr std::size_t kRangeLength = 8;
constexpr std::size_t kNameLength = 24;
constexpr std::size_t kNameFieldSize = 16;  // the name and its NUL, padded
constexpr std::size_t kBlankLength = 5;  // format byte, column, row
constexpr std::size_t kIntegerLength = 7;
constexpr std::size_t kNumberLength = 13;
constexpr std::size_t kLabelLength = 7;  // a cell, the prefix character and the NUL
constexpr std::size_t kShortestLabel = 6;  // what a reader needs: a cell and the prefix

// Where the used range lies in the file: the RANGE data right after the BOF.
constexpr std::size_t kRangeOffset = kHeaderSize + kBofLength + kHeaderSize;
}  // namespace wk1

namespace biff {
constexpr uint16_t kBof2 = 0x0009;
constexpr uint16_t kBof3 = 0x0209;
constexpr uint16_t kBof4 = 0x0409;
constexpr uint16_t kBof5 = 0x0809;  // BIFF5 and later workbooks
constexpr uint16_t kEof = 0x000A;
constexpr uint16_t kDimensions2 = 0x0000;
constexpr uint16_t kDimensions = 0x0200;
constexpr uint16_t kBlank2 = 0x0001;
constexpr uint16_t kBlank = 0x0201;
constexpr uint16_t kInteger = 0x0002;  // the BIFF2 layout in every version
constexpr uint16_t kNumber2 = 0x0003;
constexpr uint16_t kNumber = 0x0203;
constexpr uint16_t kLabel2 = 0x0004;
constexpr uint16_t kLabel = 0x0204;
constexpr uint16_t kName2 = 0x0018;
constexpr uint16_t kName = 0x0218;
constexpr uint16_t kXf3 = 0x0243;
constexpr uint16_t kXf4 = 0x0443;
constexpr uint16_t kStyle = 0x0293;

constexpr std::size_t kBof2Length = 4;
constexpr std::size_t kBofLength = 6;  // BIFF3, BIFF4
constexpr std::size_t kDimensions2Length = 8;
constexpr std::size_t kDimensionsLength = 10;
constexpr std::size_t kXfLength = 12;
constexpr std::size_t kStyleLength = 4;
constexpr std::size_t kCell2Length = 7;  // row, column, three attribute bytes
constexpr std::size_t kCellLength = 6;  // row, column, XF index
constexpr std::size_t kIntegerLength = kCell2Length + 2;
constexpr std::size_t kNumber2Length = kCell2Length + 8;
constexpr std::size_t kNumberLength = kCellLength + 8;
constexpr std::size_t kLabelLength = 8;  // a cell and the text's length, byte or word

// Where the used range lies in the file: the DIMENSIONS data right after the BOF.
constexpr std::size_t kDimensions2Offset = kHeaderSize + kBof2Length + kHeaderSize;
constexpr std::size_t kDimensionsOffset = kHeaderSize + kBofLength + kHeaderSize;
}  // namespace biff

}  // namespace sheet_records
