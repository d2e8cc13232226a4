// The registry file writer. Input: a flag byte (bit 0: the texts are UTF-16 as they come,
// lone surrogates and all, else UTF-8; bit 1: a key of the input's, else the App Paths key),
// then the key's end, the value name and the value, apart by 0xFF bytes.

#include "fuzz_support.h"
#include "platform/registry_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using platform::RegistryFile;

namespace {

const QString kAppPathsKey =
    QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\ts32.exe");
const QByteArray kBefore = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Before]\r\n\"Path\"=\"/before\"\r\n";

QString Decode(const QByteArray& bytes, bool utf16)
{
    if (!utf16)
        return QString::fromUtf8(bytes);
    QString text;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
        text += QChar(static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) | static_cast<uint8_t>(bytes[i + 1]) << 8));
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const bool utf16 = data[0] & 1, ownKey = data[0] & 2;
    const QList<QByteArray> parts =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data) + 1, static_cast<qsizetype>(size - 1)).split('\xFF');
    const QString key = ownKey ? QStringLiteral("HKEY_LOCAL_MACHINE\\") + Decode(parts.value(0), utf16) : kAppPathsKey;
    const QString name = Decode(parts.value(1), utf16), value = Decode(parts.value(2), utf16);

    const QString path = QString::fromStdString(
        fuzz::WriteInput("registry.reg", reinterpret_cast<const uint8_t*>(kBefore.constData()), static_cast<size_t>(kBefore.size())));

    QString error;
    const bool written = platform::WriteRegistryFile(path, key, name, value, error);
    FUZZ_CHECK(QFileInfo(path).dir().entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
               == QStringList{QStringLiteral("registry.reg")});
    if (written) {
        const RegistryFile registry = RegistryFile::Load(path);
        const RegistryFile::Value* read = registry.Find(key, name);
        FUZZ_CHECK(read != nullptr && read->type == platform::RegistryType::String && read->text == value);
    } else {
        FUZZ_CHECK(!error.isEmpty());
        QFile after(path);
        FUZZ_CHECK(after.open(QIODevice::ReadOnly) && after.readAll() == kBefore);
    }
    if (!ownKey && platform::RegistryTextProblem(name).isEmpty() && platform::RegistryTextProblem(value).isEmpty())
        FUZZ_CHECK(written);
    return 0;
}
