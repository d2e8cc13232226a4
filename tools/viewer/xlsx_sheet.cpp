#include "workbook_sheet.h"

#include "sheet/sheet_writer.h"
#include "zip_archive.h"

#include <QDate>
#include <QHash>
#include <QXmlStreamReader>

#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int kMaxRows = 1048576;
constexpr int kMaxColumns = 16384;
// Day 0 of the 1904 date system is 1 January 1904, day 1462 of the 1900 system.
constexpr double k1904Offset = 1462;
const QDate kDayZero(1899, 12, 30);

struct CellPlace {
    int row = 0;
    int column = 0;
};

// "B12" or "$B$12" as a 0-based place inside a worksheet's bounds.
std::optional<CellPlace> ParseCellReference(QStringView text)
{
    qsizetype at = 0;
    auto skipDollar = [&] {
        if (at < text.size() && text[at] == u'$')
            ++at;
    };
    skipDollar();
    qint64 column = 0;
    const qsizetype lettersStart = at;
    for (; at < text.size() && text[at].isLetter() && text[at].unicode() < 128 && column <= kMaxColumns; ++at)
        column = column * 26 + (text[at].toUpper().unicode() - u'A' + 1);
    skipDollar();
    qint64 row = 0;
    const qsizetype digitsStart = at;
    for (; at < text.size() && text[at].isDigit() && text[at].unicode() < 128 && row <= kMaxRows; ++at)
        row = row * 10 + (text[at].unicode() - u'0');
    if (at != text.size() || at == digitsStart || lettersStart == digitsStart || column < 1 || column > kMaxColumns || row < 1
        || row > kMaxRows)
        return std::nullopt;
    return CellPlace{static_cast<int>(row - 1), static_cast<int>(column - 1)};
}

// "A1:G6" or "A1".
std::optional<std::pair<CellPlace, CellPlace>> ParseArea(QStringView text)
{
    const qsizetype colon = text.indexOf(u':');
    const std::optional<CellPlace> first = ParseCellReference(colon < 0 ? text : text.left(colon));
    const std::optional<CellPlace> last = colon < 0 ? first : ParseCellReference(text.mid(colon + 1));
    if (!first || !last)
        return std::nullopt;
    return std::pair{*first, *last};
}

// Number formats that show a date or a time: the built-in ones, and codes with a
// day, month, year, hour or second outside quotes, brackets and escapes.
bool IsDateFormat(int id, const QString& code)
{
    if ((id >= 14 && id <= 22) || (id >= 45 && id <= 47))
        return true;
    bool quoted = false, bracket = false;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code[i];
        if (c == u'"')
            quoted = !quoted;
        else if (quoted)
            continue;
        else if (c == u'\\' || c == u'_' || c == u'*')
            ++i;
        else if (c == u'[')
            bracket = true;
        else if (c == u']')
            bracket = false;
        else if (!bracket && QStringLiteral("dmyhsDMYHS").contains(c))
            return true;
    }
    return false;
}

class XlsxReader {
public:
    ViewerLoadResult Read(const QByteArray& bytes)
    {
        if (!archive_.Open(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), error_))
            return Fail();
        if (!ReadWorkbook() || !ReadRelations() || !ReadSharedStrings() || !ReadStyles() || !ReadWorksheet())
            return Fail();
        parts_.fileTypeName = QStringLiteral("xlsx");
        return {ViewerSheet(std::move(parts_)), QString()};
    }

private:
    ViewerLoadResult Fail()
    {
        // A zip without a workbook is some other kind of archive.
        if (error_ == "the part xl/workbook.xml is missing")
            error_ = "not an xlsx file: the zip archive holds no workbook";
        return {std::nullopt, QString::fromStdString(error_)};
    }

    // Unpacks a part into `xml_`; an optional part that is absent gives false and no error.
    bool Part(const std::string& name, bool optional = false)
    {
        part_ = name;
        if (optional && !archive_.Has(name))
            return false;
        return archive_.Extract(name, xml_, error_);
    }

    bool XmlFailed(const QXmlStreamReader& xml)
    {
        if (!xml.hasError())
            return false;
        error_ = "the part " + part_ + " is damaged (XML error at line " + std::to_string(xml.lineNumber()) + ": "
            + xml.errorString().toStdString() + ")";
        return true;
    }

    QByteArray XmlBytes() const { return QByteArray::fromRawData(xml_.data(), static_cast<qsizetype>(xml_.size())); }

    // The first sheet's name and relation, the date system and the names.
    bool ReadWorkbook()
    {
        if (!Part("xl/workbook.xml"))
            return false;
        QXmlStreamReader xml(XmlBytes());
        std::vector<std::pair<QString, QString>> definedNames;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            const QStringView element = xml.name();
            if (element == u"workbookPr") {
                const QStringView value = xml.attributes().value(QStringLiteral("date1904"));
                date1904_ = value == u"1" || value == u"true";
            } else if (element == u"sheet" && sheetName_.isNull()) {
                sheetName_ = xml.attributes().value(QStringLiteral("name")).toString();
                for (const QXmlStreamAttribute& attribute : xml.attributes())
                    if (attribute.name() == u"id")
                        sheetRelation_ = attribute.value().toString();
            } else if (element == u"definedName") {
                const QString name = xml.attributes().value(QStringLiteral("name")).toString();
                definedNames.emplace_back(name, xml.readElementText());
            }
        }
        if (XmlFailed(xml))
            return false;
        if (sheetName_.isNull()) {
            error_ = "the workbook has no worksheet";
            return false;
        }
        for (const auto& [name, reference] : definedNames)
            AddName(name, reference);
        return true;
    }

    // A name pointing into the shown sheet: "Sheet1!$A$1" or "'My sheet'!$A$1:$B$2".
    void AddName(const QString& name, QString reference)
    {
        if (reference.startsWith(u'='))
            reference.remove(0, 1);
        const qsizetype bang = reference.lastIndexOf(u'!');
        if (bang < 0)
            return;
        QString sheet = reference.left(bang);
        if (sheet.size() >= 2 && sheet.startsWith(u'\'') && sheet.endsWith(u'\''))
            sheet = sheet.mid(1, sheet.size() - 2).replace(QStringLiteral("''"), QStringLiteral("'"));
        if (sheet != sheetName_)
            return;
        if (const auto area = ParseArea(QStringView(reference).mid(bang + 1)))
            parts_.names.push_back({name, area->first.row, area->first.column, area->second.row, area->second.column});
    }

    // Where the sheet, the shared strings and the styles are; the usual places when the
    // relations do not say.
    bool ReadRelations()
    {
        sheetPart_ = "xl/worksheets/sheet1.xml";
        stringsPart_ = "xl/sharedStrings.xml";
        stylesPart_ = "xl/styles.xml";
        if (!Part("xl/_rels/workbook.xml.rels", true))
            return error_.empty();
        QXmlStreamReader xml(XmlBytes());
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != u"Relationship")
                continue;
            const QXmlStreamAttributes attributes = xml.attributes();
            QString target = attributes.value(QStringLiteral("Target")).toString();
            target = target.startsWith(u'/') ? target.mid(1) : QStringLiteral("xl/") + target;
            const QStringView type = attributes.value(QStringLiteral("Type"));
            if (attributes.value(QStringLiteral("Id")) == sheetRelation_)
                sheetPart_ = target.toStdString();
            else if (type.endsWith(u"/sharedStrings"))
                stringsPart_ = target.toStdString();
            else if (type.endsWith(u"/styles"))
                stylesPart_ = target.toStdString();
        }
        return !XmlFailed(xml);
    }

    // Each <si>: its text, or the texts of its runs, without phonetic guides.
    bool ReadSharedStrings()
    {
        if (!Part(stringsPart_, true))
            return error_.empty();
        QXmlStreamReader xml(XmlBytes());
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (xml.name() == u"si")
                strings_.emplace_back();
            else if (xml.name() == u"rPh")
                xml.skipCurrentElement();
            else if (xml.name() == u"t" && !strings_.empty())
                strings_.back() += xml.readElementText();
        }
        return !XmlFailed(xml);
    }

    // Which cell formats show dates.
    bool ReadStyles()
    {
        if (!Part(stylesPart_, true))
            return error_.empty();
        QXmlStreamReader xml(XmlBytes());
        QHash<int, QString> codes;
        bool inCellFormats = false;
        while (!xml.atEnd()) {
            const QXmlStreamReader::TokenType token = xml.readNext();
            if (token == QXmlStreamReader::EndElement && xml.name() == u"cellXfs")
                inCellFormats = false;
            if (token != QXmlStreamReader::StartElement)
                continue;
            const QXmlStreamAttributes attributes = xml.attributes();
            if (xml.name() == u"numFmt") {
                codes.insert(attributes.value(QStringLiteral("numFmtId")).toInt(), attributes.value(QStringLiteral("formatCode")).toString());
            } else if (xml.name() == u"cellXfs") {
                inCellFormats = true;
            } else if (xml.name() == u"xf" && inCellFormats) {
                const int id = attributes.value(QStringLiteral("numFmtId")).toInt();
                dateStyles_.push_back(IsDateFormat(id, codes.value(id)));
                xml.skipCurrentElement();
            }
        }
        return !XmlFailed(xml);
    }

    bool ReadWorksheet()
    {
        if (!Part(sheetPart_))
            return false;
        QXmlStreamReader xml(XmlBytes());
        int row = -1, nextColumn = 0;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            const QStringView element = xml.name();
            if (element == u"dimension") {
                const QStringView ref = xml.attributes().value(QStringLiteral("ref"));
                if (const auto area = ParseArea(ref))
                    parts_.usedRangeText = AreaText(area->first.row, area->first.column, area->second.row, area->second.column);
            } else if (element == u"row") {
                const QStringView number = xml.attributes().value(QStringLiteral("r"));
                bool ok = true;
                const int given = number.isEmpty() ? row + 2 : number.toInt(&ok);
                if (!ok || given < 1 || given > kMaxRows)
                    return Refuse("a row number " + number.toString().toStdString() + " outside a worksheet");
                row = given - 1;
                nextColumn = 0;
            } else if (element == u"c") {
                if (row < 0)
                    return Refuse("a cell outside a row");
                if (!ReadCell(xml, row, nextColumn))
                    return false;
            }
        }
        if (XmlFailed(xml))
            return false;
        if (parts_.usedRangeText.isEmpty())
            parts_.usedRangeText = QStringLiteral("not recorded");
        return true;
    }

    bool Refuse(const std::string& what)
    {
        error_ = "the part " + part_ + " is damaged (" + what + ")";
        return false;
    }

    // One <c> element, up to its end tag.
    bool ReadCell(QXmlStreamReader& xml, int row, int& nextColumn)
    {
        const QXmlStreamAttributes attributes = xml.attributes();
        const QString reference = attributes.value(QStringLiteral("r")).toString();
        CellPlace place{row, nextColumn};
        if (!reference.isEmpty()) {
            const std::optional<CellPlace> given = ParseCellReference(reference);
            if (!given || given->row != row)
                return Refuse("a cell reference " + reference.toStdString() + " outside its row or the worksheet");
            place = *given;
        } else if (place.column >= kMaxColumns) {
            return Refuse("a cell past the last column");
        }
        nextColumn = place.column + 1;
        const QString type = attributes.value(QStringLiteral("t")).toString();
        bool ok = true;
        const int style = attributes.value(QStringLiteral("s")).toInt(&ok);
        const bool dateStyle = ok && style >= 0 && static_cast<std::size_t>(style) < dateStyles_.size() && dateStyles_[style];

        QString value, inlineText;
        bool hasValue = false;
        while (!xml.atEnd()) {
            const QXmlStreamReader::TokenType token = xml.readNext();
            if (token == QXmlStreamReader::EndElement && xml.name() == u"c")
                break;
            if (token != QXmlStreamReader::StartElement)
                continue;
            if (xml.name() == u"v") {
                value = xml.readElementText();
                hasValue = true;
            } else if (xml.name() == u"t") {
                inlineText += xml.readElementText();
                hasValue = true;
            } else if (xml.name() == u"f" || xml.name() == u"rPh") {
                xml.skipCurrentElement();
            }
        }
        if (xml.hasError() || !hasValue)
            return !XmlFailed(xml);

        const std::string where = "cell " + (ColumnLetters(place.column) + QString::number(place.row + 1)).toStdString();
        ViewerCell cell;
        if (type == u"s") {
            const int index = value.toInt(&ok);
            if (!ok || index < 0 || static_cast<std::size_t>(index) >= strings_.size())
                return Refuse(where + " names shared string " + value.toStdString() + ", which does not exist");
            cell.kind = CellLabel;
            cell.text = strings_[static_cast<std::size_t>(index)];
        } else if (type == u"inlineStr") {
            cell.kind = CellLabel;
            cell.text = inlineText;
        } else if (type == u"str" || type == u"e") {
            cell.kind = CellLabel;
            cell.text = value;
        } else if (type == u"d") {
            // An ISO date (and time) cell; the viewer's day numbers hold the date.
            const QDate date = QDate::fromString(value.left(10), Qt::ISODate);
            if (!date.isValid())
                return Refuse(where + " holds no date");
            cell.kind = CellNumber;
            cell.value = static_cast<double>(kDayZero.daysTo(date));
        } else {
            if (value.isEmpty())
                return true;
            cell.kind = CellNumber;
            cell.value = value.toDouble(&ok);
            if (!ok)
                return Refuse(where + " holds no number");
            if (dateStyle && date1904_)
                cell.value += k1904Offset;
        }
        parts_.cells.push_back({place.row, place.column, std::move(cell)});
        return true;
    }

    ZipArchive archive_;
    std::string error_;
    std::string part_;
    std::string xml_;
    ViewerSheetParts parts_;
    QString sheetName_;
    QString sheetRelation_;
    bool date1904_ = false;
    std::string sheetPart_, stringsPart_, stylesPart_;
    std::vector<QString> strings_;
    std::vector<bool> dateStyles_;
};

} // namespace

ViewerLoadResult ReadXlsxSheet(const QByteArray& bytes) { return XlsxReader().Read(bytes); }
