#include "security_table.h"

#include "omega/data_library.h"
#include "omega/security_text.h"
#include "omega/windows1252.h"

#include <QDir>
#include <QFile>

#include <algorithm>

namespace omega {

QByteArray MakeSecurityEntry(const SecurityRecord& record)
{
    QByteArray entry;
    entry.reserve(kSecurityEntryLength);
    entry += NulToBlanks(QByteArray(record.symbol, sizeof record.symbol));
    entry += '\t';
    entry += QByteArrayView(record.description, sizeof record.description);
    entry += "  ";
    return entry;
}

QString SecurityEntryLine(QByteArrayView entry)
{
    const qsizetype nul = entry.indexOf('\0');
    return DecodeWindows1252(nul >= 0 ? entry.first(nul) : entry);
}

QString SecurityLineSymbol(const QString& line)
{
    return TrimBlanks(QStringView(line).left(kSymbolFieldLength));
}

std::vector<int32_t> FindSecurities(const std::vector<QByteArray>& table, int32_t count,
                                    const QString& mask, SearchField field)
{
    std::vector<int32_t> found;
    const int32_t last = static_cast<int32_t>(std::min<qsizetype>(std::max(count, 0), std::ssize(table)));
    if (mask == u"?") {
        found.reserve(static_cast<size_t>(last));
        for (int32_t i = 0; i < last; ++i) {
            if (!table[static_cast<size_t>(i)].isEmpty())
                found.push_back(i);
        }
        return found;
    }

    // A character the code page cannot hold appears in no entry.
    const std::optional<QByteArray> encoded = EncodeWindows1252(mask);
    if (!encoded || encoded->isEmpty())
        return found;
    const QByteArray upperMask = UpperWindows1252(*encoded);
    const qsizetype start = field == SearchField::Symbol ? 0 : kDescriptionOffset;
    const qsizetype n = upperMask.size();
    for (int32_t i = 0; i < last; ++i) {
        const QByteArray& entry = table[static_cast<size_t>(i)];
        if (entry.size() < start + n)
            continue;
        const char* piece = entry.constData() + start;
        qsizetype k = 0;
        while (k < n && UpperWindows1252(piece[k]) == upperMask[k])
            ++k;
        if (k == n)
            found.push_back(i);
    }
    return found;
}

QByteArray LibraryPath(const QString& directory)
{
    return QFile::encodeName(QDir::toNativeSeparators(directory));
}

HeaderFile::HeaderFile(const QString& directory)
{
    count_ = TheDataLibrary().OpenHeaderFile(LibraryPath(directory).constData(), &context_);
}

HeaderFile::~HeaderFile()
{
    TheDataLibrary().CloseHeaderFile(&context_);
}

QByteArray HeaderFile::Entry(int32_t index)
{
    SecurityRecord record{};
    TheDataLibrary().ReadHeader(&context_, index, &record);
    return MakeSecurityEntry(record);
}

QByteArray HeaderFile::Symbol(int32_t index)
{
    SecurityRecord record{};
    if (TheDataLibrary().ReadHeader(&context_, index, &record) != 0)
        return {};
    return QByteArray(record.symbol, static_cast<qsizetype>(qstrnlen(record.symbol, sizeof record.symbol)));
}

} // namespace omega
