#pragma once

// The checks of one security of a database, as omegadb check runs them: every record
// of its data file in file order, with the thresholds of its period.

#include "quality/price_check.h"
#include "qv2omg/data_reader.h"

namespace quality {

// A record as the checks take it: missing prices empty, open interest only when the
// security keeps it.
PriceInput InputOfRow(const qv2omg::PriceRow& row, bool withOpenInterest);

// Reads `data` from where it stands to its end and reports the findings to `sink`.
void CheckData(qv2omg::DataReader& data, const qv2omg::SecurityEntry& entry, const PriceChecker::Sink& sink);

} // namespace quality
