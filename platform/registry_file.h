#pragma once

#include "platform/registry.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <vector>

namespace platform {

// Where the registry file may live on systems without a registry, in the order they are
// tried: $TESSAPORT_REGISTRY alone when it is set, else
// $XDG_CONFIG_HOME/tessaport/registry.reg (default ~/.config/...), then
// /etc/xdg/tessaport/registry.reg.
QStringList RegistryFileLocations();
// The first of those locations that exists, else the last.
QString RegistryFilePath();
// One line per location, saying what became of it when `valueName` under `keyPath` was
// looked up: missing, not read, unusable (and why), or read without that value. For the
// person setting up a machine, who sees only that the value was not found.
QStringList DescribeRegistryFiles(const QString& keyPath, const QString& valueName);
// Why `text` cannot be written into a registry file, or an empty string when it can: a line
// of the file ends at a line break, so no control character may stand in it, and the file is
// UTF-8, which holds no half of a UTF-16 pair.
QString RegistryTextProblem(const QString& text);
// Writes a registry file holding one string value under `keyPath` (from HKEY_...), in the
// REGEDIT4 syntax the reader takes, making its folder. A text that would not read back as
// it was given is refused. The file is written beside its place and then put there in one
// step, replacing whatever is there (a link too, which is not followed), so a failure leaves
// the file as it was. False, with the reason in `error`, when it cannot.
bool WriteRegistryFile(const QString& path, const QString& keyPath, const QString& valueName, const QString& value,
                       QString& error);

// A registry kept in the .reg export syntax ("REGEDIT4" or "Windows Registry Editor
// Version 5.00"), read only. Key and value names ignore letter case, as on Windows.
// Keys form a tree of their path's parts, so a file costs memory and time in proportion
// to its size. A key line deeper or longer than the registry allows, or with an empty
// key name in it, is refused like any other broken line.
class RegistryFile : public Registry {
public:
    struct Value {
        RegistryType type = RegistryType::None;
        QString text;
        uint32_t number = 0;
    };

    // A missing or unreadable file, or one without a valid first line, gives an
    // empty registry; Error() then says why.
    static RegistryFile Load(const QString& path);
    static RegistryFile Parse(const QByteArray& content);

    const QString& Error() const { return error_; }
    // `keyPath` starts with the root ("HKEY_LOCAL_MACHINE\Software\...").
    bool HasKey(const QString& keyPath) const;
    const Value* Find(const QString& keyPath, const QString& valueName) const;

    std::unique_ptr<RegistryKey> OpenLocalMachineKey(const QString& subKey) const override;

    // What the registry itself allows: a key name of at most 255 characters, 512 levels,
    // and a whole path no longer than a counted string holds.
    static constexpr qsizetype kMaxKeyNameLength = 255;
    static constexpr qsizetype kMaxKeyDepth = 512;
    static constexpr qsizetype kMaxKeyPathLength = 32767;

private:
    using Values = QHash<QString, Value>;
    struct Key {
        QHash<QString, qsizetype> children;  // folded name -> index in keys_
        Values values;
    };

    void ParseText(const QString& text);
    // Both return nothing for a path the registry could not hold.
    Values* DefineKey(const QString& keyPath);
    void DeleteKey(const QString& keyPath);
    const Key* FindKey(const QString& keyPath) const;

    // keys_[0] is the root above the hives; a deleted key's subtree stays, unreachable.
    std::vector<Key> keys_ = std::vector<Key>(1);
    QString error_;
};

} // namespace platform
