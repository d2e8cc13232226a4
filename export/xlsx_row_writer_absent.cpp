#include "export/row_writers.h"

#include "sheet/sheet_errors.h"

// A cross-build without minizip (the 32-bit Windows core): WK1, BIFF and CSV are written as
// everywhere, xlsx is refused before any file is made.

std::string_view XlsxWriterAbsence() { return "this build writes no xlsx files (it was made without minizip)"; }

std::unique_ptr<RowWriter> OpenXlsxRowWriterAtLevel(const std::string&, int, int16_t& result)
{
    result = kSheetFeatureUnavailable;
    return nullptr;
}

std::unique_ptr<RowWriter> OpenXlsxRowWriter(const std::string& path, int16_t& result)
{
    return OpenXlsxRowWriterAtLevel(path, 0, result);
}
