#include "workbook/workbook_reader.h"

#include "workbook/xml_reader.h"
#include "workbook/zip_reader.h"

#include <charconv>
#include <cmath>
#include <map>
#include <optional>
#include <string_view>

namespace {

constexpr int32_t kMaxRows = 1048576;
constexpr int32_t kMaxColumns = 16384;
// A spreadsheet's rows' worth of distinct texts; a table past it is no sheet of ours.
constexpr std::size_t kMaxSharedStrings = 1048576;
// Day 0 of the 1904 date system is 1 January 1904, day 1462 of the viewer's count.
constexpr double k1904Offset = 1462;
// Serials below this count the 29 February 1900 that never was.
constexpr double kFirstTrueSerial = 61;

struct CellPlace {
    int32_t row = 0;
    int32_t column = 0;
};

// "B12" or "$B$12" as a 0-based place inside a worksheet's bounds.
std::optional<CellPlace> ParseCellReference(std::string_view text)
{
    std::size_t at = 0;
    auto skipDollar = [&] {
        if (at < text.size() && text[at] == '$')
            ++at;
    };
    skipDollar();
    int64_t column = 0;
    const std::size_t lettersStart = at;
    for (; at < text.size() && column <= kMaxColumns; ++at) {
        char c = text[at];
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (c < 'A' || c > 'Z')
            break;
        column = column * 26 + (c - 'A' + 1);
    }
    const std::size_t lettersEnd = at;
    skipDollar();
    int64_t row = 0;
    const std::size_t digitsStart = at;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9' && row <= kMaxRows; ++at)
        row = row * 10 + (text[at] - '0');
    if (at != text.size() || at == digitsStart || lettersStart == lettersEnd || column < 1 || column > kMaxColumns || row < 1
        || row > kMaxRows)
        return std::nullopt;
    return CellPlace{static_cast<int32_t>(row - 1), static_cast<int32_t>(column - 1)};
}

// "A1:G6" or "A1".
std::optional<std::pair<CellPlace, CellPlace>> ParseArea(std::string_view text)
{
    const std::size_t colon = text.find(':');
    const auto first = ParseCellReference(colon == std::string_view::npos ? text : text.substr(0, colon));
    const auto last = colon == std::string_view::npos ? first : ParseCellReference(text.substr(colon + 1));
    if (!first || !last)
        return std::nullopt;
    return std::pair{*first, *last};
}

// Number formats that show a date or a time: the built-in ones, and codes with a day,
// month, year, hour or second outside quotes, brackets and escapes.
bool IsDateFormat(int id, std::string_view code)
{
    if ((id >= 14 && id <= 22) || (id >= 45 && id <= 47))
        return true;
    bool quoted = false, bracket = false;
    for (std::size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        if (c == '"')
            quoted = !quoted;
        else if (quoted)
            continue;
        else if (c == '\\' || c == '_' || c == '*')
            ++i;
        else if (c == '[')
            bracket = true;
        else if (c == ']')
            bracket = false;
        else if (!bracket && std::string_view("dmyhsDMYHS").find(c) != std::string_view::npos)
            return true;
    }
    return false;
}

template <typename T>
bool ParseWhole(std::string_view text, T& value)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

bool ParseNumber(std::string_view text, double& value)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '+'))
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return !text.empty() && ParseWhole(text, value) && std::isfinite(value);
}

// Shared strings kept in blocks of kBlock bytes: a table of many short texts costs their
// bytes and a place each, and grows without copying what it holds. Every block and every
// step of the index is counted against the reading's budget; false once it is spent.
class StringTable {
public:
    explicit StringTable(base::ReadBudget& budget) : budget_(budget) {}
    ~StringTable() { budget_.Give(taken_); }
    StringTable(const StringTable&) = delete;
    StringTable& operator=(const StringTable&) = delete;

    bool Add(const std::string& text)
    {
        if (blocks_.empty() || blocks_.back().capacity() - blocks_.back().size() < text.size()) {
            if (!Take(kBlock))
                return false;
            blocks_.emplace_back().reserve(kBlock);
        }
        if (places_.size() == places_.capacity() && !Take(places_.capacity() * sizeof(Place)))
            return false;
        std::string& block = blocks_.back();
        places_.push_back({static_cast<uint32_t>(blocks_.size() - 1), static_cast<uint32_t>(block.size()),
                           static_cast<uint32_t>(text.size())});
        block += text;
        return true;
    }
    std::size_t Size() const { return places_.size(); }
    std::string_view At(std::size_t i) const
    {
        const Place& place = places_[i];
        return std::string_view(blocks_[place.block]).substr(place.start, place.size);
    }

private:
    // A text of at most kMaxCellText and its cut mark always fits in a block.
    static constexpr std::size_t kBlock = std::size_t{4} << 20;
    struct Place {
        uint32_t block, start, size;
    };
    bool Take(uint64_t bytes)
    {
        taken_ += bytes;
        return budget_.Take(bytes);
    }

    base::ReadBudget& budget_;
    uint64_t taken_ = 0;
    std::vector<std::string> blocks_;
    std::vector<Place> places_;
};

class XlsxReader {
public:
    XlsxReader(const std::string& path, const WorkbookCellSink& sink, base::ReadBudget& budget)
        : path_(path), sink_(sink), budget_(budget), strings_(budget)
    {
    }

    WorkbookInfo Read()
    {
        info_.fileTypeName = "xlsx";
        if (!zip_.Open(path_, info_.error) || !ReadWorkbook() || !ReadRelations() || !ReadSharedStrings() || !ReadStyles()
            || !ReadWorksheet()) {
            // A zip without a workbook is some other kind of archive.
            if (info_.error == "the part xl/workbook.xml is missing")
                info_.error = "not an xlsx file: the zip archive holds no workbook";
            return std::move(info_);
        }
        if (info_.usedRange.empty())
            info_.usedRange = WorkbookAreaText(firstRow_, firstColumn_, lastRow_, lastColumn_);
        return std::move(info_);
    }

private:
    // Opens a part for a reader; an optional part that is absent gives false and no error.
    std::optional<XmlReader> Part(const std::string& name, bool optional = false)
    {
        part_ = name;
        if (optional && !zip_.Has(name, info_.error))
            return std::nullopt;
        if (!zip_.OpenMember(name, info_.error))
            return std::nullopt;
        return XmlReader([this](char* buffer, std::size_t size, std::string& error) { return zip_.Read(buffer, size, error); },
                         kMaxCellText + 1);
    }

    bool XmlFailed(const XmlReader& xml)
    {
        if (xml.Error().empty())
            return false;
        if (xml.Error().rfind("the part ", 0) == 0)
            info_.error = xml.Error();  // from the zip reader
        else
            info_.error = "the part " + part_ + " is damaged (line " + std::to_string(xml.Line()) + ": " + xml.Error() + ")";
        return true;
    }

    bool Refuse(const std::string& what)
    {
        info_.error = "the part " + part_ + " is damaged (" + what + ")";
        return false;
    }

    // The first sheet's name and relation, the date system and the names.
    bool ReadWorkbook()
    {
        std::optional<XmlReader> xml = Part("xl/workbook.xml");
        if (!xml)
            return false;
        std::vector<std::pair<std::string, std::string>> definedNames;
        for (XmlReader::Token token; (token = xml->Next()) != XmlReader::Token::End;) {
            if (token == XmlReader::Token::Error)
                return !XmlFailed(*xml);
            if (token != XmlReader::Token::StartElement)
                continue;
            const std::string_view element = xml->Name();
            if (element == "workbookPr") {
                const auto value = xml->Attribute("date1904");
                date1904_ = value && (*value == "1" || *value == "true");
            } else if (element == "sheet" && !sheetSeen_) {
                sheetSeen_ = true;
                sheetName_ = xml->Attribute("name").value_or("");
                sheetRelation_ = xml->Attribute("id").value_or("");
            } else if (element == "definedName" && definedNames.size() < 1000) {
                std::string name(xml->Attribute("name").value_or(""));
                std::optional<std::string> reference = xml->ElementText();
                if (!reference)
                    return !XmlFailed(*xml);
                definedNames.emplace_back(std::move(name), std::move(*reference));
            }
        }
        if (!sheetSeen_) {
            info_.error = "the workbook has no worksheet";
            return false;
        }
        for (auto& [name, reference] : definedNames)
            AddName(name, reference);
        return true;
    }

    // A name pointing into the shown sheet: "Sheet1!$A$1" or "'My sheet'!$A$1:$B$2".
    void AddName(const std::string& name, std::string_view reference)
    {
        if (!reference.empty() && reference.front() == '=')
            reference.remove_prefix(1);
        const std::size_t bang = reference.rfind('!');
        if (bang == std::string_view::npos)
            return;
        std::string sheet(reference.substr(0, bang));
        if (sheet.size() >= 2 && sheet.front() == '\'' && sheet.back() == '\'') {
            std::string unquoted;
            for (std::size_t i = 1; i + 1 < sheet.size(); ++i) {
                unquoted += sheet[i];
                if (sheet[i] == '\'' && sheet[i + 1] == '\'')
                    ++i;
            }
            sheet = unquoted;
        }
        if (sheet != sheetName_)
            return;
        if (const auto area = ParseArea(reference.substr(bang + 1)))
            info_.names.push_back({name, area->first.row, area->first.column, area->second.row, area->second.column});
    }

    // Where the sheet, the shared strings and the styles are; the usual places when the
    // relations do not say.
    bool ReadRelations()
    {
        sheetPart_ = "xl/worksheets/sheet1.xml";
        stringsPart_ = "xl/sharedStrings.xml";
        stylesPart_ = "xl/styles.xml";
        std::optional<XmlReader> xml = Part("xl/_rels/workbook.xml.rels", true);
        if (!xml)
            return info_.error.empty();
        for (XmlReader::Token token; (token = xml->Next()) != XmlReader::Token::End;) {
            if (token == XmlReader::Token::Error)
                return !XmlFailed(*xml);
            if (token != XmlReader::Token::StartElement || xml->Name() != "Relationship")
                continue;
            std::string target(xml->Attribute("Target").value_or(""));
            target = !target.empty() && target.front() == '/' ? target.substr(1) : "xl/" + target;
            const std::string_view type = xml->Attribute("Type").value_or("");
            if (xml->Attribute("Id").value_or("") == sheetRelation_)
                sheetPart_ = target;
            else if (type.ends_with("/sharedStrings"))
                stringsPart_ = target;
            else if (type.ends_with("/styles"))
                stylesPart_ = target;
        }
        return true;
    }

    // Each <si>: its text, or the texts of its runs, without phonetic guides.
    bool ReadSharedStrings()
    {
        std::optional<XmlReader> xml = Part(stringsPart_, true);
        if (!xml)
            return info_.error.empty();
        std::string text;
        bool inString = false, cut = false;
        for (XmlReader::Token token; (token = xml->Next()) != XmlReader::Token::End;) {
            if (token == XmlReader::Token::Error)
                return !XmlFailed(*xml);
            if (token == XmlReader::Token::EndElement && xml->Name() == "si" && inString) {
                if (cut)
                    WorkbookCutText(text);
                if (!strings_.Add(text)) {
                    info_.error = budget_.Refusal("the shared strings");
                    return false;
                }
                inString = false;
                continue;
            }
            if (token != XmlReader::Token::StartElement)
                continue;
            if (xml->Name() == "si") {
                if (strings_.Size() >= kMaxSharedStrings)
                    return Refuse("more than " + std::to_string(kMaxSharedStrings) + " shared strings");
                text.clear();
                inString = true;
                cut = false;
            } else if (xml->Name() == "rPh") {
                if (!xml->SkipElement())
                    return !XmlFailed(*xml);
            } else if (xml->Name() == "t" && inString) {
                bool tCut = false;
                const std::optional<std::string> piece = xml->ElementText(&tCut);
                if (!piece)
                    return !XmlFailed(*xml);
                Append(text, *piece, cut);
                cut = cut || tCut;
            }
        }
        return true;
    }

    static void Append(std::string& text, const std::string& piece, bool& cut)
    {
        const std::size_t room = text.size() < kMaxCellText + 1 ? kMaxCellText + 1 - text.size() : 0;
        text.append(piece, 0, std::min(room, piece.size()));
        if (text.size() > kMaxCellText)
            cut = true;
    }

    // Which cell formats show dates.
    bool ReadStyles()
    {
        std::optional<XmlReader> xml = Part(stylesPart_, true);
        if (!xml)
            return info_.error.empty();
        std::map<int, std::string> codes;
        bool inCellFormats = false;
        for (XmlReader::Token token; (token = xml->Next()) != XmlReader::Token::End;) {
            if (token == XmlReader::Token::Error)
                return !XmlFailed(*xml);
            if (token == XmlReader::Token::EndElement && xml->Name() == "cellXfs")
                inCellFormats = false;
            if (token != XmlReader::Token::StartElement)
                continue;
            int id = 0;
            if (xml->Name() == "numFmt" && codes.size() < 1000) {
                if (ParseWhole(xml->Attribute("numFmtId").value_or(""), id))
                    codes[id] = xml->Attribute("formatCode").value_or("");
            } else if (xml->Name() == "cellXfs") {
                inCellFormats = true;
            } else if (xml->Name() == "xf" && inCellFormats && dateStyles_.size() < 65536) {
                ParseWhole(xml->Attribute("numFmtId").value_or(""), id);
                const auto code = codes.find(id);
                dateStyles_.push_back(IsDateFormat(id, code == codes.end() ? std::string_view() : code->second));
            }
        }
        return true;
    }

    bool ReadWorksheet()
    {
        std::optional<XmlReader> xml = Part(sheetPart_);
        if (!xml)
            return false;
        int32_t row = -1, nextColumn = 0;
        for (XmlReader::Token token; (token = xml->Next()) != XmlReader::Token::End;) {
            if (token == XmlReader::Token::Error)
                return !XmlFailed(*xml);
            if (token != XmlReader::Token::StartElement)
                continue;
            const std::string_view element = xml->Name();
            if (element == "c") {
                if (row < 0)
                    return Refuse("a cell outside a row");
                if (!ReadCell(*xml, row, nextColumn))
                    return false;
            } else if (element == "row") {
                const std::string_view number = xml->Attribute("r").value_or("");
                int32_t given = row + 2;
                if (!number.empty() && !ParseWhole(number, given))
                    given = 0;
                if (given < 1 || given > kMaxRows || given <= row)
                    return Refuse("a row number " + std::string(number) + " out of order or outside a worksheet");
                row = given - 1;
                nextColumn = 0;
            } else if (element == "dimension") {
                if (const auto area = ParseArea(xml->Attribute("ref").value_or("")))
                    info_.usedRange = WorkbookAreaText(area->first.row, area->first.column, area->second.row, area->second.column);
            }
        }
        return true;
    }

    // One <c> element, up to its end tag.
    bool ReadCell(XmlReader& xml, int32_t row, int32_t& nextColumn)
    {
        const std::string_view reference = xml.Attribute("r").value_or("");
        CellPlace place{row, nextColumn};
        if (!reference.empty()) {
            const std::optional<CellPlace> given = ParseCellReference(reference);
            if (!given || given->row != row)
                return Refuse("a cell reference " + std::string(reference) + " outside its row or the worksheet");
            place = *given;
        } else if (place.column >= kMaxColumns) {
            return Refuse("a cell past the last column");
        }
        nextColumn = place.column + 1;
        const std::string type(xml.Attribute("t").value_or(""));
        std::size_t style = 0;
        const bool dateStyle = ParseWhole(xml.Attribute("s").value_or(""), style) && style < dateStyles_.size() && dateStyles_[style];

        std::string value, inlineText;
        bool hasValue = false, cut = false;
        const std::size_t depth = xml.Depth();
        for (;;) {
            const XmlReader::Token token = xml.Next();
            if (token == XmlReader::Token::Error)
                return !XmlFailed(xml);
            if (token == XmlReader::Token::EndElement && xml.Depth() < depth)
                break;
            if (token != XmlReader::Token::StartElement)
                continue;
            if (xml.Name() == "v") {
                std::optional<std::string> text = xml.ElementText(&cut);
                if (!text)
                    return !XmlFailed(xml);
                value = std::move(*text);
                hasValue = true;
            } else if (xml.Name() == "t") {
                bool tCut = false;
                const std::optional<std::string> text = xml.ElementText(&tCut);
                if (!text)
                    return !XmlFailed(xml);
                Append(inlineText, *text, cut);
                cut = cut || tCut;
                hasValue = true;
            } else if (xml.Name() == "f" || xml.Name() == "rPh") {
                if (!xml.SkipElement())
                    return !XmlFailed(xml);
            }
        }
        if (!hasValue)
            return true;

        const std::string where = "cell " + WorkbookColumnLetters(place.column) + std::to_string(place.row + 1);
        WorkbookCell cell;
        cell.row = place.row;
        cell.column = place.column;
        if (type == "s") {
            std::size_t index = 0;
            if (!ParseWhole(value, index) || index >= strings_.Size())
                return Refuse(where + " names shared string " + value.substr(0, 20) + ", which does not exist");
            cell.kind = CellLabel;
            cell.text = strings_.At(index);
            cell.cut = cell.text.ends_with(kCutMark) && cell.text.size() > kMaxCellText;
        } else if (type == "inlineStr" || type == "str" || type == "e") {
            cell.kind = CellLabel;
            cell.text = type == "inlineStr" ? std::move(inlineText) : std::move(value);
            if (cut || cell.text.size() > kMaxCellText) {
                WorkbookCutText(cell.text);
                cell.cut = true;
            }
        } else if (type == "d") {
            // An ISO date (and time) cell.
            int32_t day = 0;
            if (!WorkbookDayOfIsoDate(std::string_view(value).substr(0, 10), day))
                return Refuse(where + " holds no date");
            cell.kind = CellNumber;
            cell.value = day;
        } else {
            if (value.empty())
                return true;
            cell.kind = CellNumber;
            if (!ParseNumber(value, cell.value))
                return Refuse(where + " holds no number");
            if (dateStyle && date1904_)
                cell.value += k1904Offset;
            else if (dateStyle && cell.value >= 0 && cell.value < kFirstTrueSerial - 1)
                cell.value += 1;  // January and February 1900 are counted one higher
        }
        return Emit(cell);
    }

    bool Emit(const WorkbookCell& cell)
    {
        if (cell.cut)
            ++info_.cutCells;
        firstRow_ = std::min(firstRow_, cell.row);
        lastRow_ = std::max(lastRow_, cell.row);
        firstColumn_ = std::min(firstColumn_, cell.column);
        lastColumn_ = std::max(lastColumn_, cell.column);
        if (sink_(cell))
            return true;
        if (info_.error.empty())
            info_.error = budget_.Used() > budget_.Limit() ? budget_.Refusal("the shared strings and cells")
                                                           : "the sheet holds more cells than can be shown";
        return false;
    }

    const std::string& path_;
    const WorkbookCellSink& sink_;
    base::ReadBudget& budget_;
    WorkbookInfo info_;
    ZipReader zip_;
    std::string part_;
    bool sheetSeen_ = false;
    std::string sheetName_;
    std::string sheetRelation_;
    bool date1904_ = false;
    std::string sheetPart_, stringsPart_, stylesPart_;
    StringTable strings_;
    std::vector<bool> dateStyles_;
    int32_t firstRow_ = INT32_MAX, firstColumn_ = INT32_MAX, lastRow_ = -1, lastColumn_ = -1;
};

} // namespace

WorkbookInfo ReadXlsxFile(const std::string& path, const WorkbookCellSink& sink, base::ReadBudget& budget)
{
    return XlsxReader(path, sink, budget).Read();
}

WorkbookInfo ReadXlsxFile(const std::string& path, const WorkbookCellSink& sink)
{
    base::ReadBudget budget;
    return ReadXlsxFile(path, sink, budget);
}
