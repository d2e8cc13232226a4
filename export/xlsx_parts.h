#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The text of an xlsx package's parts around its one sheet, written by XlsxRowWriter.

// When the document was made, in UTC.
struct XlsxPartsInfo {
    int year = 1980, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};
// SOURCE_DATE_EPOCH when it is set, so that the same data give the same bytes; else now.
XlsxPartsInfo XlsxPartsNow();

struct XlsxPart {
    const char* name;
    std::string text;
};
// Content types, relations, document properties, workbook (with the names WK1LABEL and
// WK1BEGIN) and styles (style 1 shows yyyy-mm-dd).
std::vector<XlsxPart> FixedXlsxParts(const XlsxPartsInfo& info);

// What comes before the first row of the sheet, and after the last.
std::string XlsxSheetStart();
std::string_view XlsxSheetEnd();

// A, B, ..., Z, AA, ... for a 0-based column.
void XlsxAppendColumnName(std::string& xml, int32_t column);
// A <t> element holding UTF-8 text, escaped for XML.
void XlsxAppendTextElement(std::string& xml, std::string_view utf8);
