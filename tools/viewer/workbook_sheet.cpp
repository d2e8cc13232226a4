#include "workbook_sheet.h"

#include <QFile>
#include <QFileInfo>

namespace {

bool IsZip(const QByteArray& start) { return start.startsWith("PK\x03\x04") || start.startsWith("PK\x05\x06"); }

} // namespace

std::optional<ViewerLoadResult> LoadWorkbookSheet(const QString& path)
{
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;  // the pattern file reader says why
    const QByteArray start = file.peek(4096);
    const QString suffix = QFileInfo(path).suffix().toLower();
    const bool xlsx = IsZip(start) || suffix == QStringLiteral("xlsx");
    // Text files other than .csv stay with the pattern file reader, which refuses them.
    const bool csv = !xlsx && suffix == QStringLiteral("csv");
    if (!xlsx && !csv)
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return ViewerLoadResult{std::nullopt, QStringLiteral("cannot read the file: ") + file.errorString()};
    return xlsx ? ReadXlsxSheet(bytes) : ReadCsvSheet(bytes);
}
