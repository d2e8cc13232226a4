#pragma once

#include "export/row_writer.h"

// The writers behind OpenRowWriter, one per family of formats.
std::unique_ptr<RowWriter> OpenSheetRowWriter(int16_t fileType, const std::string& path, int16_t& result);
std::unique_ptr<RowWriter> OpenCsvRowWriter(const std::string& path, int16_t& result, bool rawText);
std::unique_ptr<RowWriter> OpenXlsxRowWriter(const std::string& path, int16_t& result);
// The same at a deflate level of its own (1 to 9), for the benchmark that chose the level.
std::unique_ptr<RowWriter> OpenXlsxRowWriterAtLevel(const std::string& path, int level, int16_t& result);
// Why this build writes no xlsx files (one made without minizip); empty where it writes them.
std::string_view XlsxWriterAbsence();

// Year, month and day of a day number (day 0 is 30 December 1899) as yyyy-mm-dd; `text`
// needs room for 11 characters. Days before year 1 or after 9999 are clamped into range.
std::size_t IsoDateText(int32_t day, char* text);
