#include "registry.h"

#include "registry_file.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace platform {

namespace {

const QString kAppPathsKey = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\");

#if defined(_WIN32)

class WindowsKey : public RegistryKey {
public:
    explicit WindowsKey(HKEY key) : key_(key) {}
    ~WindowsKey() override { RegCloseKey(key_); }
    WindowsKey(const WindowsKey&) = delete;
    WindowsKey& operator=(const WindowsKey&) = delete;

    int32_t QueryInfo(const QString& valueName, RegistryType& type, uint32_t& size) const override
    {
        DWORD rawType = 0;
        DWORD rawSize = 0;
        const LONG result = RegQueryValueExA(key_, valueName.toLocal8Bit().constData(), nullptr, &rawType,
                                             nullptr, &rawSize);
        type = static_cast<RegistryType>(rawType);
        size = rawSize;
        return static_cast<int32_t>(result);
    }

    int32_t ReadString(const QString& valueName, uint32_t size, QString& text) const override
    {
        QByteArray buffer(static_cast<qsizetype>(size), '\0');
        DWORD rawSize = size;
        const LONG result = RegQueryValueExA(key_, valueName.toLocal8Bit().constData(), nullptr, nullptr,
                                             reinterpret_cast<BYTE*>(buffer.data()), &rawSize);
        if (result == ERROR_SUCCESS)
            text = QString::fromLocal8Bit(buffer.constData(), static_cast<qsizetype>(size));
        return static_cast<int32_t>(result);
    }

    int32_t ReadDword(const QString& valueName, uint32_t& number) const override
    {
        DWORD data = 0;
        DWORD rawSize = sizeof data;
        const LONG result = RegQueryValueExA(key_, valueName.toLocal8Bit().constData(), nullptr, nullptr,
                                             reinterpret_cast<BYTE*>(&data), &rawSize);
        if (result == ERROR_SUCCESS)
            number = data;
        return static_cast<int32_t>(result);
    }

private:
    HKEY key_;
};

class WindowsRegistry : public Registry {
public:
    std::unique_ptr<RegistryKey> OpenLocalMachineKey(const QString& subKey) const override
    {
        // The 32-bit view first, where the installers of the products we sit beside have
        // always written; then the 64-bit one, where a 64-bit installer writes.
        for (const REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
            HKEY key = nullptr;
            if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey.toLocal8Bit().constData(), 0, KEY_QUERY_VALUE | view, &key)
                == ERROR_SUCCESS)
                return std::make_unique<WindowsKey>(key);
        }
        return nullptr;
    }
};

#endif

} // namespace

const Registry& SystemRegistry()
{
#if defined(_WIN32)
    static const WindowsRegistry registry;
#else
    static const RegistryFile registry = RegistryFile::Load(RegistryFilePath());
#endif
    return registry;
}

int32_t QueryValueEx(const RegistryKey* key, const QString& valueName, QVariant& value)
{
    value = QVariant();
    if (!key)
        return kRegistryInvalidHandle;
    RegistryType type = RegistryType::None;
    uint32_t size = 0;
    int32_t result = key->QueryInfo(valueName, type, size);
    if (result != kRegistrySuccess)
        return result;
    switch (type) {
    case RegistryType::String: {
        QString text;
        result = key->ReadString(valueName, size, text);
        if (result == kRegistrySuccess)
            value = text;
        return result;
    }
    case RegistryType::Dword: {
        uint32_t number = 0;
        result = key->ReadDword(valueName, number);
        if (result == kRegistrySuccess)
            value = QVariant::fromValue(number);
        return result;
    }
    default:
        return kRegistryUnsupportedType;
    }
}

QString GetAppPath(const Registry& registry, const QString& exeName)
{
    QVariant value;
    {
        const std::unique_ptr<RegistryKey> key = registry.OpenLocalMachineKey(kAppPathsKey + exeName);
        QueryValueEx(key.get(), QStringLiteral("Path"), value);
    }
    // A number stands for no path at all.
    if (value.typeId() != QMetaType::QString)
        return {};
    QString path = value.toString();
    // The Windows registry hands a string over with its terminating NUL; the registry
    // file does not, and its last character is part of the path.
    if (!path.isEmpty() && path.back() == QChar(u'\0'))
        path.chop(1);
    return path;
}

QString AppPathKey(const QString& exeName)
{
    return QStringLiteral("HKEY_LOCAL_MACHINE\\") + kAppPathsKey + exeName;
}

QString GetAppPath(const QString& exeName)
{
    return GetAppPath(SystemRegistry(), exeName);
}

} // namespace platform
