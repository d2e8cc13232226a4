#pragma once

// A price row as the interface's record holds it: what the library hands its callers, and
// what the readers beside it hand the import in its place.

#include "db_format.h"

#include <qv2omg.h>

#include <cstdint>

namespace qv2omg {

// A yyyymmdd as the interface's date: years since 1900, month and day.
OmegaDate ToOmegaDate(uint32_t date);

// The row into `record`, every other byte of it zero.
void FillPriceRecord(const PriceRow& row, PriceRecord& record);

} // namespace qv2omg
