#pragma once

#include <qv2omg.h>

#include <QLibrary>
#include <QString>

#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

namespace omega {

// Damage of a data file that ReadData read past (see QV2OMG_DAMAGE_ORDER in qv2omg.h).
struct DataDamage {
    QByteArray dataDir;   // as given to OpenDataFile
    QByteArray symbol;
    int flags = 0;        // QV2OMG_DAMAGE_ORDER, QV2OMG_DAMAGE_SIZE
    int32_t firstOutOfOrder = 0;  // the record's number from 1; 0 when none is out of order
};

// The data-access library, loaded at run time from the program's own folder. Every
// call goes through here; a function that did not resolve answers with the failure
// result of its kind, so callers never have to check for null pointers.
class DataLibrary {
public:
    // File name of the library on this platform ("libQv2Omg32.so", "Qv2Omg32.dll").
    static QString FileName();
    // Folder of the running program, where the library is installed.
    static QString ProgramDir();

    DataLibrary() = default;
    DataLibrary(const DataLibrary&) = delete;
    DataLibrary& operator=(const DataLibrary&) = delete;

    // Loads `path` (default: the library in the program's folder) and resolves every
    // entry point. False when the file, or a library it needs, cannot be loaded.
    bool Load(const QString& path = {});
    bool IsLoaded() const { return library_.isLoaded(); }
    QString ErrorString() const { return library_.errorString(); }

    // 0 when the library loads and its version query resolves and runs, 1 when it
    // loads but the version query is missing, 2 when it cannot be loaded.
    int16_t Probe(const QString& path = {});

    int32_t GetVersion() const;
    int16_t Initialize() const;
    int16_t Uninitialize() const;
    int32_t OpenHeaderFile(const char* directory, FileContext* context) const;
    int16_t ReadHeader(FileContext* context, int32_t index, SecurityRecord* record) const;
    int16_t CloseHeaderFile(FileContext* context) const;
    int16_t SearchSecurity(const char* directory, const char* symbol, SecurityRecord* record) const;
    int16_t GetDateRange(const char* directory, const char* symbol, DateRange* range) const;
    int16_t OpenDataFile(const char* directory, const char* symbol, const OmegaDate* first,
                         const OmegaDate* last, FileContext* context) const;
    int16_t ReadData(FileContext* context, PriceRecord* record, int32_t wanted) const;
    int16_t CloseDataFile(FileContext* context) const;

    // The damage ReadData has met since the last call, one entry per data file opened and
    // found damaged, in the order met; the list is cleared.
    std::vector<DataDamage> TakeDamage() const;

private:
    void Resolve();

    QLibrary library_;
    QV2ORDM_GetVersion_t getVersion_ = nullptr;
    QV2ORDM_Initialize_t initialize_ = nullptr;
    QV2ORDM_Uninitialize_t uninitialize_ = nullptr;
    QV2ORDM_OpenHeaderFile_t openHeaderFile_ = nullptr;
    QV2ORDM_ReadHeader_t readHeader_ = nullptr;
    QV2ORDM_CloseHeaderFile_t closeHeaderFile_ = nullptr;
    QV2ORDM_SearchSecurity_t searchSecurity_ = nullptr;
    QV2ORDM_GetDateRange_t getDateRange_ = nullptr;
    QV2ORDM_OpenDataFile_t openDataFile_ = nullptr;
    QV2ORDM_ReadData_t readData_ = nullptr;
    QV2ORDM_CloseDataFile_t closeDataFile_ = nullptr;

    // What each open data context reads, and the damage met: reads and opens go through
    // const calls, and a merge may read from several threads.
    struct OpenData {
        QByteArray dataDir;
        QByteArray symbol;
        int damageIndex = -1;  // into damage_
    };
    mutable std::mutex damageMutex_;
    mutable std::map<const FileContext*, OpenData> openData_;
    mutable std::vector<DataDamage> damage_;
};

// The one library instance of the program.
DataLibrary& TheDataLibrary();

// Probes the program's library once (see DataLibrary::Probe).
int16_t ProbeDataLibrary();

} // namespace omega
