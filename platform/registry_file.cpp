#include "registry_file.h"

#include "platform/native/native_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <cerrno>
#include <cstring>
#include <optional>
#include <utility>

namespace platform {

namespace {

const QString kHeader4 = QStringLiteral("REGEDIT4");
const QString kHeader5 = QStringLiteral("Windows Registry Editor Version 5.00");
const QString kLocalMachine = QStringLiteral("HKEY_LOCAL_MACHINE");
// Far beyond any export of the few keys the program reads; a device or a stray huge
// file is refused instead of read to its end.
constexpr qint64 kMaxFileSize = 64 * 1024 * 1024;

// Blanks around a key line's path are dropped by the parser; a blank inside belongs to
// a key's name, at the end of one too.
QString FoldKeyPath(QString path)
{
    while (path.endsWith(QLatin1Char('\\')))
        path.chop(1);
    return path.toCaseFolded();
}

// The parts of a folded key path, or nothing when the registry could not hold it.
std::optional<QStringList> KeyParts(const QString& folded)
{
    if (folded.isEmpty() || folded.size() > RegistryFile::kMaxKeyPathLength)
        return std::nullopt;
    if (folded.count(QLatin1Char('\\')) >= RegistryFile::kMaxKeyDepth)
        return std::nullopt;
    QStringList parts = folded.split(QLatin1Char('\\'));
    for (const QString& part : parts) {
        if (part.isEmpty() || part.size() > RegistryFile::kMaxKeyNameLength)
            return std::nullopt;
    }
    return parts;
}

// Regedit escapes only the backslash and the double quote; any other backslash is
// kept as written, so a hand-written "C:\TS\Program" still reads as meant.
bool ReadQuoted(const QString& line, qsizetype& pos, QString& out)
{
    out.clear();
    for (++pos; pos < line.size(); ++pos) {
        const QChar c = line.at(pos);
        if (c == QLatin1Char('"')) {
            ++pos;
            return true;
        }
        if (c == QLatin1Char('\\') && pos + 1 < line.size()) {
            const QChar next = line.at(pos + 1);
            if (next == QLatin1Char('\\') || next == QLatin1Char('"')) {
                out += next;
                ++pos;
                continue;
            }
        }
        out += c;
    }
    return false;
}

bool RestIsBlank(const QString& line, qsizetype pos)
{
    return line.mid(pos).trimmed().isEmpty();
}

QString DecodeFile(const QByteArray& content)
{
    if (content.startsWith("\xFF\xFE")) {
        auto decode = QStringDecoder(QStringDecoder::Utf16LE);
        return decode(content.mid(2));
    }
    if (content.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(content.mid(3));
    return QString::fromUtf8(content);
}

class FileKey : public RegistryKey {
public:
    explicit FileKey(QHash<QString, RegistryFile::Value> values) : values_(std::move(values)) {}

    int32_t QueryInfo(const QString& valueName, RegistryType& type, uint32_t& size) const override
    {
        const auto it = values_.constFind(valueName.toCaseFolded());
        if (it == values_.constEnd())
            return kRegistryFileNotFound;
        type = it->type;
        size = it->type == RegistryType::String ? static_cast<uint32_t>(it->text.size())
             : it->type == RegistryType::Dword  ? 4u
                                                : 0u;
        return kRegistrySuccess;
    }

    int32_t ReadString(const QString& valueName, uint32_t size, QString& text) const override
    {
        const auto it = values_.constFind(valueName.toCaseFolded());
        if (it == values_.constEnd() || it->type != RegistryType::String)
            return kRegistryFileNotFound;
        text = it->text.left(size);
        return kRegistrySuccess;
    }

    int32_t ReadDword(const QString& valueName, uint32_t& number) const override
    {
        const auto it = values_.constFind(valueName.toCaseFolded());
        if (it == values_.constEnd() || it->type != RegistryType::Dword)
            return kRegistryFileNotFound;
        number = it->number;
        return kRegistrySuccess;
    }

private:
    QHash<QString, RegistryFile::Value> values_;
};

} // namespace

QStringList RegistryFileLocations()
{
    const QString forced = qEnvironmentVariable("TESSAPORT_REGISTRY");
    if (!forced.isEmpty())
        return {forced};
    QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (configHome.isEmpty() || QDir::isRelativePath(configHome))
        configHome = QDir::homePath() + QStringLiteral("/.config");
    return {configHome + QStringLiteral("/tessaport/registry.reg"), QStringLiteral("/etc/xdg/tessaport/registry.reg")};
}

QString RegistryFilePath()
{
    const QStringList locations = RegistryFileLocations();
    for (const QString& location : locations) {
        if (QFileInfo::exists(location))
            return location;
    }
    return locations.back();
}

QStringList DescribeRegistryFiles(const QString& keyPath, const QString& valueName)
{
    const bool forced = !qEnvironmentVariable("TESSAPORT_REGISTRY").isEmpty();
    const QString used = RegistryFilePath();
    QStringList lines;
    for (const QString& location : RegistryFileLocations()) {
        QString state;
        if (!QFileInfo::exists(location)) {
            state = QStringLiteral("does not exist");
        } else if (location != used) {
            state = QStringLiteral("not read");
        } else {
            const RegistryFile registry = RegistryFile::Load(location);
            QString error = registry.Error();
            if (error.startsWith(location + QStringLiteral(": ")))
                error.remove(0, location.size() + 2);
            if (!error.isEmpty())
                state = QStringLiteral("not usable: ") + error;
            else if (!registry.HasKey(keyPath))
                state = QStringLiteral("read; it has no key [%1]").arg(keyPath);
            else if (!registry.Find(keyPath, valueName))
                state = QStringLiteral("read; its key [%1] has no \"%2\" value").arg(keyPath, valueName);
            else
                state = QStringLiteral("read; its \"%1\" value is not a string").arg(valueName);
        }
        lines.append(location + (forced ? QStringLiteral(" (from TESSAPORT_REGISTRY): ") : QStringLiteral(": "))
                     + state);
    }
    return lines;
}

QString RegistryTextProblem(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.category() == QChar::Other_Control)
            return QStringLiteral("it holds a control character (U+%1)").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c.isSurrogate())
            return QStringLiteral("it holds half of a UTF-16 pair");
    }
    return {};
}

bool WriteRegistryFile(const QString& path, const QString& keyPath, const QString& valueName, const QString& value,
                       QString& error)
{
    for (const auto& [what, text] : {std::pair{"key", &keyPath}, std::pair{"value name", &valueName},
                                     std::pair{"value", &value}}) {
        const QString problem = RegistryTextProblem(*text);
        if (!problem.isEmpty()) {
            error = QStringLiteral("the %1 cannot be written in a registry file: %2").arg(QLatin1String(what), problem);
            return false;
        }
    }
    auto escaped = [](QString text) {
        return text.replace(QLatin1String("\\"), QLatin1String("\\\\")).replace(QLatin1String("\""), QLatin1String("\\\""));
    };
    const QByteArray text = (QStringLiteral("REGEDIT4\r\n\r\n[") + keyPath + QStringLiteral("]\r\n\"")
                             + escaped(valueName) + QStringLiteral("\"=\"") + escaped(value) + QStringLiteral("\"\r\n"))
                                .toUtf8();
    // What the next start will read: a key the registry could not hold, or blanks the reader
    // trims, would name something else.
    const RegistryFile check = RegistryFile::Parse(text);
    const RegistryFile::Value* written = check.Find(keyPath, valueName);
    if (!written || written->type != RegistryType::String || written->text != value) {
        error = QStringLiteral("the key [%1] cannot be written in a registry file so that it reads back the same")
                    .arg(keyPath);
        return false;
    }

    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        error = QStringLiteral("cannot make the folder ") + folder;
        return false;
    }
    const std::string destination = QFile::encodeName(path).toStdString();
    std::string temporary;
    const int fd = native::CreateTemporaryBeside(destination, temporary);
    if (fd < 0) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    int failure = 0;
    for (qsizetype done = 0; done < text.size() && failure == 0;) {
        const long long wrote = native::Write(fd, text.constData() + done, static_cast<std::size_t>(text.size() - done));
        if (wrote > 0)
            done += static_cast<qsizetype>(wrote);
        else if (wrote == 0)
            failure = ENOSPC;
        else if (errno != EINTR)
            failure = errno;
    }
    if (failure == 0 && native::Sync(fd) != 0)
        failure = errno;
    if (native::Close(fd) != 0 && failure == 0 && errno != EINTR)
        failure = errno;
    if (failure == 0)
        failure = native::PutInPlace(temporary, destination);
    if (failure != 0) {
        native::RemoveFile(temporary);
        error = QString::fromLocal8Bit(std::strerror(failure));
        return false;
    }
    native::SyncFolder(QFile::encodeName(folder).toStdString());
    return true;
}

RegistryFile RegistryFile::Load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        RegistryFile registry;
        registry.error_ = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return registry;
    }
    // A piece at a time: one read of the largest size would claim that much memory first.
    QByteArray content;
    while (content.size() <= kMaxFileSize) {
        const QByteArray piece = file.read(64 * 1024);
        if (piece.isEmpty())
            break;
        content += piece;
    }
    if (content.size() > kMaxFileSize) {
        RegistryFile registry;
        registry.error_ = QStringLiteral("%1 is too large for a registry file").arg(path);
        return registry;
    }
    RegistryFile registry = Parse(content);
    if (!registry.error_.isEmpty())
        registry.error_ = path + QStringLiteral(": ") + registry.error_;
    return registry;
}

RegistryFile RegistryFile::Parse(const QByteArray& content)
{
    RegistryFile registry;
    registry.ParseText(DecodeFile(content));
    return registry;
}

void RegistryFile::ParseText(const QString& text)
{
    const QStringList lines = text.split(QLatin1Char('\n'));
    qsizetype i = 0;
    while (i < lines.size() && lines.at(i).trimmed().isEmpty())
        ++i;
    const QString header = i < lines.size() ? lines.at(i).trimmed() : QString();
    if (header != kHeader4 && header != kHeader5) {
        error_ = QStringLiteral("not a registry file (its first line is neither \"%1\" nor \"%2\")")
                     .arg(kHeader4, kHeader5);
        return;
    }

    Values* current = nullptr;
    for (++i; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;

        if (line.startsWith(QLatin1Char('['))) {
            // A key line without its closing bracket names no key: the values under it
            // must not land in the key before.
            if (!line.endsWith(QLatin1Char(']'))) {
                current = nullptr;
                continue;
            }
            const QString path = line.mid(1, line.size() - 2);
            if (path.startsWith(QLatin1Char('-'))) {
                DeleteKey(path.mid(1).trimmed());
                current = nullptr;
            } else {
                current = DefineKey(path.trimmed());
            }
            continue;
        }

        // A value line: "name"=data or @=data.
        qsizetype pos = 0;
        QString name;
        if (line.startsWith(QLatin1Char('@')))
            pos = 1;
        else if (!line.startsWith(QLatin1Char('"')) || !ReadQuoted(line, pos, name))
            continue;
        while (pos < line.size() && line.at(pos).isSpace())
            ++pos;
        if (pos >= line.size() || line.at(pos) != QLatin1Char('='))
            continue;
        const QString data = line.mid(pos + 1).trimmed();

        // Binary forms may run over several lines, each but the last ending in '\'.
        if (data.startsWith(QLatin1String("hex"), Qt::CaseInsensitive)) {
            qsizetype last = i;
            while (lines.at(last).trimmed().endsWith(QLatin1Char('\\')) && last + 1 < lines.size())
                ++last;
            i = last;
            // Not decoded: the program reads strings and numbers only.
            if (current)
                current->insert(name.toCaseFolded(), Value{RegistryType::Binary, {}, 0});
            continue;
        }
        if (!current)
            continue;
        const QString key = name.toCaseFolded();
        if (data == QLatin1String("-")) {
            current->remove(key);
        } else if (data.startsWith(QLatin1Char('"'))) {
            qsizetype at = 0;
            QString value;
            if (ReadQuoted(data, at, value) && RestIsBlank(data, at))
                current->insert(key, Value{RegistryType::String, value, 0});
        } else if (data.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
            const QString digits = data.mid(6).trimmed();
            bool ok = false;
            const uint number = digits.toUInt(&ok, 16);
            if (ok && !digits.isEmpty() && digits.size() <= 8 && !digits.startsWith(QLatin1Char('+')))
                current->insert(key, Value{RegistryType::Dword, {}, number});
        }
    }
}

RegistryFile::Values* RegistryFile::DefineKey(const QString& keyPath)
{
    const auto parts = KeyParts(FoldKeyPath(keyPath));
    if (!parts)
        return nullptr;
    // As in the registry, a key's parents exist with it.
    qsizetype at = 0;
    for (const QString& part : *parts) {
        const auto child = keys_[at].children.constFind(part);
        if (child != keys_[at].children.constEnd()) {
            at = *child;
        } else {
            keys_.emplace_back();
            keys_[at].children.insert(part, static_cast<qsizetype>(keys_.size()) - 1);
            at = static_cast<qsizetype>(keys_.size()) - 1;
        }
    }
    return &keys_[at].values;
}

void RegistryFile::DeleteKey(const QString& keyPath)
{
    const auto parts = KeyParts(FoldKeyPath(keyPath));
    if (!parts)
        return;
    qsizetype at = 0;
    for (qsizetype i = 0; i + 1 < parts->size(); ++i) {
        const auto child = keys_[at].children.constFind(parts->at(i));
        if (child == keys_[at].children.constEnd())
            return;
        at = *child;
    }
    keys_[at].children.remove(parts->last());
}

const RegistryFile::Key* RegistryFile::FindKey(const QString& keyPath) const
{
    const auto parts = KeyParts(FoldKeyPath(keyPath));
    if (!parts)
        return nullptr;
    qsizetype at = 0;
    for (const QString& part : *parts) {
        const auto child = keys_[at].children.constFind(part);
        if (child == keys_[at].children.constEnd())
            return nullptr;
        at = *child;
    }
    return &keys_[at];
}

bool RegistryFile::HasKey(const QString& keyPath) const
{
    return FindKey(keyPath) != nullptr;
}

const RegistryFile::Value* RegistryFile::Find(const QString& keyPath, const QString& valueName) const
{
    const Key* key = FindKey(keyPath);
    if (!key)
        return nullptr;
    const auto value = key->values.constFind(valueName.toCaseFolded());
    return value == key->values.constEnd() ? nullptr : &*value;
}

std::unique_ptr<RegistryKey> RegistryFile::OpenLocalMachineKey(const QString& subKey) const
{
    const Key* key = FindKey(kLocalMachine + QLatin1Char('\\') + subKey);
    if (!key)
        return nullptr;
    return std::make_unique<FileKey>(key->values);
}

} // namespace platform
