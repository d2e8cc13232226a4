#pragma once

#include "data_reader.h"
#include "header_reader.h"

#include <qv2omg.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace qv2omg {

enum class ContextKind : int16_t { Header = 1, Data = 2 };

// The files open through the library. A FileContext carries only a handle into this
// table (slot, generation and a check value), so whatever bytes a caller passes are
// looked up and compared, never followed: a zeroed, closed, stale or forged context
// finds nothing.
class ContextTable {
public:
    ContextTable();

    // Registers an open reader and writes its handle into `context`; false when the
    // table is full.
    bool Add(FileContext& context, std::unique_ptr<HeaderReader> reader);
    bool Add(FileContext& context, std::unique_ptr<DataReader> reader);

    HeaderReader* FindHeader(const FileContext* context);
    DataReader* FindData(const FileContext* context);

    // Closes the file of an open context of that kind and zero-fills the context;
    // false when it is not one.
    bool Remove(FileContext* context, ContextKind kind);
    // Closes the file of an open context of any kind.
    void Release(FileContext* context);
    void Clear();

private:
    struct Slot {
        uint32_t generation = 0;
        ContextKind kind = ContextKind::Header;
        std::unique_ptr<HeaderReader> header;
        std::unique_ptr<DataReader> data;

        bool InUse() const { return header || data; }
    };

    Slot* Lookup(const FileContext* context, ContextKind kind);
    Slot* Claim(FileContext& context, ContextKind kind);
    uint32_t CheckValue(uint32_t slot, uint32_t generation, ContextKind kind) const;

    std::vector<Slot> slots_;
    uint32_t lastGeneration_ = 0;
    uint64_t secret_ = 0;
};

} // namespace qv2omg
