#include "data_library.h"

#include "platform/paths.h"

#include <QCoreApplication>
#include <QDir>

#include <cstring>
#include <utility>

namespace omega {

namespace {
constexpr int16_t kFailed16 = -1;
} // namespace

QString DataLibrary::FileName()
{
#if defined(_WIN32)
    return QStringLiteral("Qv2Omg32.dll");
#else
    return QStringLiteral("libQv2Omg32.so");
#endif
}

QString DataLibrary::ProgramDir()
{
    return platform::ProgramDirectory();
}

bool DataLibrary::Load(const QString& path)
{
    if (library_.isLoaded())
        library_.unload();
    library_.setFileName(path.isEmpty() ? QDir(ProgramDir()).filePath(FileName()) : path);
    const bool loaded = library_.load();
    Resolve();
    return loaded;
}

void DataLibrary::Resolve()
{
    auto get = [this](auto& slot, const char* name) {
        using Fn = std::remove_reference_t<decltype(slot)>;
        slot = library_.isLoaded() ? reinterpret_cast<Fn>(library_.resolve(name)) : nullptr;
    };
    get(getVersion_, "QV2ORDM_GetVersion");
    get(initialize_, "QV2ORDM_Initialize");
    get(uninitialize_, "QV2ORDM_Uninitialize");
    get(openHeaderFile_, "QV2ORDM_OpenHeaderFile");
    get(readHeader_, "QV2ORDM_ReadHeader");
    get(closeHeaderFile_, "QV2ORDM_CloseHeaderFile");
    get(searchSecurity_, "QV2ORDM_SearchSecurity");
    get(getDateRange_, "QV2ORDM_GetDateRange");
    get(openDataFile_, "QV2ORDM_OpenDataFile");
    get(readData_, "QV2ORDM_ReadData");
    get(closeDataFile_, "QV2ORDM_CloseDataFile");
}

int16_t DataLibrary::Probe(const QString& path)
{
    if (!Load(path))
        return 2;
    if (!getVersion_)
        return 1;
    getVersion_();
    return 0;
}

int32_t DataLibrary::GetVersion() const { return getVersion_ ? getVersion_() : 0; }
int16_t DataLibrary::Initialize() const { return initialize_ ? initialize_() : kFailed16; }
int16_t DataLibrary::Uninitialize() const { return uninitialize_ ? uninitialize_() : kFailed16; }

int32_t DataLibrary::OpenHeaderFile(const char* directory, FileContext* context) const
{
    return openHeaderFile_ ? openHeaderFile_(directory, context) : 0;
}

int16_t DataLibrary::ReadHeader(FileContext* context, int32_t index, SecurityRecord* record) const
{
    return readHeader_ ? readHeader_(context, index, record) : kFailed16;
}

int16_t DataLibrary::CloseHeaderFile(FileContext* context) const
{
    return closeHeaderFile_ ? closeHeaderFile_(context) : kFailed16;
}

int16_t DataLibrary::SearchSecurity(const char* directory, const char* symbol, SecurityRecord* record) const
{
    return searchSecurity_ ? searchSecurity_(directory, symbol, record) : kFailed16;
}

int16_t DataLibrary::GetDateRange(const char* directory, const char* symbol, DateRange* range) const
{
    return getDateRange_ ? getDateRange_(directory, symbol, range) : kFailed16;
}

int16_t DataLibrary::OpenDataFile(const char* directory, const char* symbol, const OmegaDate* first,
                                  const OmegaDate* last, FileContext* context) const
{
    const int16_t result = openDataFile_ ? openDataFile_(directory, symbol, first, last, context) : kFailed16;
    if (context) {
        std::lock_guard lock(damageMutex_);
        openData_.erase(context);
        if (result == 0 && directory && symbol)
            openData_[context] = {QByteArray(directory), QByteArray(symbol), -1};
    }
    return result;
}

int16_t DataLibrary::ReadData(FileContext* context, PriceRecord* record, int32_t wanted) const
{
    // Whatever another read left in these bytes is not this file's damage.
    if (record)
        std::memset(record->reserved36, 0, sizeof record->reserved36);
    const int16_t delivered = readData_ ? readData_(context, record, wanted) : 0;
    // A record that tells of damage, or the end of the data telling of it.
    if (record && record->reserved36[0] != 0) {
        std::lock_guard lock(damageMutex_);
        const auto open = openData_.find(context);
        if (open != openData_.end()) {
            int32_t number = 0;
            std::memcpy(&number, record->reserved36 + 4, sizeof number);
            if (open->second.damageIndex < 0) {
                open->second.damageIndex = static_cast<int>(damage_.size());
                damage_.push_back({open->second.dataDir, open->second.symbol, 0, 0});
            }
            DataDamage& damage = damage_[static_cast<size_t>(open->second.damageIndex)];
            damage.flags |= static_cast<unsigned char>(record->reserved36[0]);
            if (damage.firstOutOfOrder == 0)
                damage.firstOutOfOrder = number;
        }
    }
    return delivered;
}

int16_t DataLibrary::CloseDataFile(FileContext* context) const
{
    {
        std::lock_guard lock(damageMutex_);
        openData_.erase(context);
    }
    return closeDataFile_ ? closeDataFile_(context) : kFailed16;
}

std::vector<DataDamage> DataLibrary::TakeDamage() const
{
    std::lock_guard lock(damageMutex_);
    for (auto& [context, open] : openData_)
        open.damageIndex = -1;
    return std::exchange(damage_, {});
}

DataLibrary& TheDataLibrary()
{
    static DataLibrary library;
    return library;
}

int16_t ProbeDataLibrary()
{
    return TheDataLibrary().Probe();
}

} // namespace omega
