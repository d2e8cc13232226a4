#pragma once

#include "platform/registry.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

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

// A registry kept in the .reg export syntax ("REGEDIT4" or "Windows Registry Editor
// Version 5.00"), read only. Key and value names ignore letter case, as on Windows.
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

private:
    using Values = QHash<QString, Value>;

    void ParseText(const QString& text);
    void DefineKey(const QString& keyPath);
    void DeleteKey(const QString& keyPath);

    QHash<QString, Values> keys_;
    QString error_;
};

} // namespace platform
