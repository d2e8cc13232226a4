#pragma once

#include <QString>
#include <QVariant>

#include <cstdint>
#include <memory>

namespace platform {

// Results as the Windows registry numbers them, plus our own -1 for a value whose
// type the program does not read.
constexpr int32_t kRegistrySuccess = 0;
constexpr int32_t kRegistryFileNotFound = 2;
constexpr int32_t kRegistryInvalidHandle = 6;
constexpr int32_t kRegistryUnsupportedType = -1;

// Value types, numbered as the registry numbers them.
enum class RegistryType : uint32_t {
    None = 0,
    String = 1,
    ExpandString = 2,
    Binary = 3,
    Dword = 4,
    MultiString = 7,
    Qword = 11,
};

// One open key. Closed when the object goes.
class RegistryKey {
public:
    virtual ~RegistryKey() = default;
    // Type and size in bytes of a value, without reading its data.
    virtual int32_t QueryInfo(const QString& valueName, RegistryType& type, uint32_t& size) const = 0;
    // The first `size` characters of a string value as the registry hands them over;
    // on Windows that includes the terminating NUL.
    virtual int32_t ReadString(const QString& valueName, uint32_t size, QString& text) const = 0;
    virtual int32_t ReadDword(const QString& valueName, uint32_t& number) const = 0;
};

// The read-only registry the program looks its installation up in.
class Registry {
public:
    virtual ~Registry() = default;
    // A key under HKEY_LOCAL_MACHINE, opened for reading only (a standard user may not
    // open it for writing); null when it cannot be opened.
    virtual std::unique_ptr<RegistryKey> OpenLocalMachineKey(const QString& subKey) const = 0;
};

// The registry of this computer: the Windows registry on Windows, elsewhere the
// registry file named by RegistryFilePath(), read once.
const Registry& SystemRegistry();

// Reads one value of an open key (null = the key could not be opened). `value` gets a
// QString or a uint32_t, or stays null when the value is missing, unreadable or of
// another type; the result says which.
int32_t QueryValueEx(const RegistryKey* key, const QString& valueName, QVariant& value);

// The "Path" value of the App Paths entry of `exeName` under HKEY_LOCAL_MACHINE;
// empty when the key or value is missing, unreadable or not a string.
QString GetAppPath(const Registry& registry, const QString& exeName);
QString GetAppPath(const QString& exeName);
// The App Paths key of `exeName`, written from the root as a .reg file names it.
QString AppPathKey(const QString& exeName);

} // namespace platform
