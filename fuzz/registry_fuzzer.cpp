// The registry file parser on arbitrary bytes: every key it holds comes with its parents.

#include "fuzz_support.h"
#include "platform/registry_file.h"

#include <QStringList>

using platform::RegistryFile;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const RegistryFile registry = RegistryFile::Parse(bytes);
    int checked = 0;
    for (const QString& raw : QString::fromUtf8(bytes).split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (!line.startsWith(QLatin1Char('[')) || !line.endsWith(QLatin1Char(']')) || ++checked > 32)
            continue;
        QString path = line.mid(1, line.size() - 2);
        if (!registry.HasKey(path))
            continue;
        for (qsizetype at = path.lastIndexOf(QLatin1Char('\\')); at > 0; at = path.lastIndexOf(QLatin1Char('\\'))) {
            path.truncate(at);
            FUZZ_CHECK(registry.HasKey(path));
        }
    }
    return 0;
}
