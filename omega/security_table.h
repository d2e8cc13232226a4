#pragma once

#include <qv2omg.h>

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <vector>

namespace omega {

// An entry of the security table: symbol (16, NULs as blanks), tab, the description
// field as the library delivers it (31, not cut at a NUL), two blanks.
constexpr qsizetype kSecurityEntryLength = 50;
constexpr qsizetype kSymbolFieldLength = 16;
constexpr qsizetype kDescriptionOffset = 17;

QByteArray MakeSecurityEntry(const SecurityRecord& record);
// The line a list shows for an entry: its text up to the first NUL.
QString SecurityEntryLine(QByteArrayView entry);
// The symbol of a listed line: its first 16 characters without blanks around them.
QString SecurityLineSymbol(const QString& line);

enum class SearchField { Symbol, Description };

// Indices of the entries (among the first `count`) that `mask` selects: "?" alone
// selects all; any other mask is a prefix of the field, compared in upper case.
// Trailing blanks of the mask take part, and a mask longer than what the entry holds
// from the field's start matches nothing. Entries not read yet (empty) never match.
std::vector<int32_t> FindSecurities(const std::vector<QByteArray>& table, int32_t count,
                                    const QString& mask, SearchField field);

// The directory argument of a library call.
QByteArray LibraryPath(const QString& directory);

// One open header file of a data directory; closed when the object goes, whatever the
// open returned. Run it with the working directory switched to the program's.
class HeaderFile {
public:
    explicit HeaderFile(const QString& directory);
    ~HeaderFile();
    HeaderFile(const HeaderFile&) = delete;
    HeaderFile& operator=(const HeaderFile&) = delete;

    // The library's count: 0 or less when there is no valid header file.
    int32_t Count() const { return count_; }
    QByteArray Entry(int32_t index);
    // The symbol of entry `index` as held, blanks and all; empty when it cannot be read.
    QByteArray Symbol(int32_t index);

private:
    FileContext context_{};
    int32_t count_ = 0;
};

} // namespace omega
