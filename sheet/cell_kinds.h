#pragma once

#include <cstdint>

// Cell kinds, shared by the pattern file writer and every reader (pattern files, xlsx, CSV);
// the numbers are the WK1 record types of these cells.
constexpr int16_t CellBlank = 12;
constexpr int16_t CellInteger = 13;
constexpr int16_t CellNumber = 14;
constexpr int16_t CellLabel = 15;
