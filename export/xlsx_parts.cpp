#include "export/xlsx_parts.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr std::string_view kXmlDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";

std::string Number(int value, int digits)
{
    char text[16];
    std::snprintf(text, sizeof text, "%0*d", digits, value);
    return text;
}

std::string ContentTypes()
{
    return std::string(kXmlDeclaration)
        + "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
          "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
          "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
          "<Override PartName=\"/docProps/app.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.extended-properties+xml\"/>"
          "<Override PartName=\"/docProps/core.xml\" ContentType=\"application/vnd.openxmlformats-package.core-properties+xml\"/>"
          "<Override PartName=\"/xl/styles.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>"
          "<Override PartName=\"/xl/workbook.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
          "<Override PartName=\"/xl/worksheets/sheet1.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
          "</Types>";
}

std::string PackageRelations()
{
    return std::string(kXmlDeclaration)
        + "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
          "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" Target=\"xl/workbook.xml\"/>"
          "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties\" Target=\"docProps/core.xml\"/>"
          "<Relationship Id=\"rId3\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/extended-properties\" Target=\"docProps/app.xml\"/>"
          "</Relationships>";
}

// The application that made the file, and its version as two digits, a point and four.
std::string ApplicationProperties()
{
    return std::string(kXmlDeclaration)
        + "<Properties xmlns=\"http://schemas.openxmlformats.org/officeDocument/2006/extended-properties\">"
          "<Application>Tessaport</Application>"
          "<AppVersion>" + Number(TESSAPORT_VERSION_MAJOR, 2) + "." + Number(TESSAPORT_VERSION_MINOR, 4) + "</AppVersion>"
          "</Properties>";
}

std::string CoreProperties(const XlsxPartsInfo& info)
{
    const std::string created = Number(info.year, 4) + "-" + Number(info.month, 2) + "-" + Number(info.day, 2) + "T"
        + Number(info.hour, 2) + ":" + Number(info.minute, 2) + ":" + Number(info.second, 2) + "Z";
    return std::string(kXmlDeclaration)
        + "<cp:coreProperties xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\""
          " xmlns:dcterms=\"http://purl.org/dc/terms/\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">"
          "<dcterms:created xsi:type=\"dcterms:W3CDTF\">" + created + "</dcterms:created>"
          "</cp:coreProperties>";
}

// One sheet, the names the pattern file formats carry, no calculation settings: there are
// no formulas.
std::string Workbook()
{
    return std::string(kXmlDeclaration)
        + "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\""
          " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
          "<sheets><sheet name=\"Sheet1\" sheetId=\"1\" r:id=\"rId1\"/></sheets>"
          "<definedNames>"
          "<definedName name=\"WK1BEGIN\">Sheet1!$A$2</definedName>"
          "<definedName name=\"WK1LABEL\">Sheet1!$A$1</definedName>"
          "</definedNames>"
          "</workbook>";
}

std::string WorkbookRelations()
{
    return std::string(kXmlDeclaration)
        + "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
          "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
          "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" Target=\"styles.xml\"/>"
          "</Relationships>";
}

// Style 0 plain, style 1 the date format yyyy-mm-dd.
std::string Styles()
{
    return std::string(kXmlDeclaration)
        + "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
          "<numFmts count=\"1\"><numFmt numFmtId=\"164\" formatCode=\"yyyy-mm-dd\"/></numFmts>"
          "<fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/></font></fonts>"
          "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill><fill><patternFill patternType=\"gray125\"/></fill></fills>"
          "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
          "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>"
          "<cellXfs count=\"2\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
          "<xf numFmtId=\"164\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\"/></cellXfs>"
          "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
          "</styleSheet>";
}

} // namespace

XlsxPartsInfo XlsxPartsNow()
{
    using namespace std::chrono;
    sys_seconds now = time_point_cast<seconds>(system_clock::now());
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
        char* end = nullptr;
        const long long given = std::strtoll(epoch, &end, 10);
        if (end != epoch && *end == '\0' && given >= 0)
            now = sys_seconds(seconds(given));
    }
    // Zip's dates begin in 1980 and end in 2107; the document's may not.
    now = std::clamp(now, sys_seconds(sys_days(1980y / 1 / 1)), sys_seconds(sys_days(2107y / 12 / 31)));
    const sys_days day = floor<days>(now);
    const year_month_day date(day);
    const hh_mm_ss time(now - day);
    return {static_cast<int>(date.year()), static_cast<int>(static_cast<unsigned>(date.month())),
            static_cast<int>(static_cast<unsigned>(date.day())), static_cast<int>(time.hours().count()),
            static_cast<int>(time.minutes().count()), static_cast<int>(time.seconds().count())};
}

std::vector<XlsxPart> FixedXlsxParts(const XlsxPartsInfo& info)
{
    return {
        {"[Content_Types].xml", ContentTypes()},
        {"_rels/.rels", PackageRelations()},
        {"docProps/app.xml", ApplicationProperties()},
        {"docProps/core.xml", CoreProperties(info)},
        {"xl/workbook.xml", Workbook()},
        {"xl/_rels/workbook.xml.rels", WorkbookRelations()},
        {"xl/styles.xml", Styles()},
    };
}

std::string XlsxSheetStart()
{
    return std::string(kXmlDeclaration)
        + "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
          "<cols><col min=\"1\" max=\"1\" width=\"11\" customWidth=\"1\"/></cols>"
          "<sheetData>";
}

std::string_view XlsxSheetEnd() { return "</sheetData></worksheet>"; }

void XlsxAppendColumnName(std::string& xml, int32_t column)
{
    char letters[8];
    std::size_t at = sizeof letters;
    for (int64_t n = static_cast<int64_t>(column) + 1; n > 0 && at > 0; n = (n - 1) / 26)
        letters[--at] = static_cast<char>('A' + (n - 1) % 26);
    xml.append(letters + at, sizeof letters - at);
}

void XlsxAppendTextElement(std::string& xml, std::string_view utf8)
{
    const bool blankAtEnd = !utf8.empty() && (utf8.front() == ' ' || utf8.back() == ' ' || utf8.front() == '\t' || utf8.back() == '\t');
    xml += blankAtEnd ? "<t xml:space=\"preserve\">" : "<t>";
    for (const char c : utf8) {
        switch (c) {
        case '&': xml += "&amp;"; break;
        case '<': xml += "&lt;"; break;
        case '>': xml += "&gt;"; break;
        default:
            // XML cannot hold most control characters; the spreadsheet escape _xHHHH_ does.
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r') {
                char escape[8];
                std::snprintf(escape, sizeof escape, "_x%04X_", static_cast<unsigned>(c));
                xml += escape;
            } else {
                xml += c;
            }
        }
    }
    xml += "</t>";
}
