#include "context_table.h"

#include <chrono>
#include <cstring>
#include <random>

namespace qv2omg {

namespace {

// Far more than a program keeps open; a caller that never closes runs out here
// rather than out of file handles.
constexpr size_t kMaxContexts = 1024;
constexpr uint32_t kHandleMagic = 0x4358324Fu;  // "O2XC"

struct Handle {
    uint32_t magic;
    uint32_t slot;
    uint32_t generation;
    uint32_t check;
};
static_assert(sizeof(Handle) <= sizeof(FileContext::opaque));

uint64_t Mix(uint64_t value)
{
    value += 0x9E3779B97F4A7C15ull;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ull;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBull;
    return value ^ (value >> 31);
}

uint64_t NewSecret()
{
    uint64_t secret = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    try {
        std::random_device device;
        secret ^= uint64_t{device()} << 32 | device();
    } catch (...) {
        // The clock alone still tells handles of one run from another's.
    }
    return Mix(secret);
}

} // namespace

ContextTable::ContextTable() : secret_(NewSecret()) {}

uint32_t ContextTable::CheckValue(uint32_t slot, uint32_t generation, ContextKind kind) const
{
    const uint64_t mixed = Mix(secret_ ^ (uint64_t{slot} << 40) ^ (uint64_t{generation} << 8)
                               ^ static_cast<uint64_t>(kind));
    return static_cast<uint32_t>(mixed ^ (mixed >> 32));
}

ContextTable::Slot* ContextTable::Lookup(const FileContext* context, ContextKind kind)
{
    if (!context || context->tag != static_cast<int16_t>(kind))
        return nullptr;
    Handle handle;
    std::memcpy(&handle, context->opaque, sizeof handle);
    if (handle.magic != kHandleMagic || handle.slot >= slots_.size())
        return nullptr;
    Slot& slot = slots_[handle.slot];
    if (!slot.InUse() || slot.kind != kind || slot.generation != handle.generation
        || handle.check != CheckValue(handle.slot, handle.generation, kind))
        return nullptr;
    return &slot;
}

ContextTable::Slot* ContextTable::Claim(FileContext& context, ContextKind kind)
{
    size_t index = 0;
    while (index < slots_.size() && slots_[index].InUse())
        ++index;
    if (index == slots_.size()) {
        if (slots_.size() >= kMaxContexts)
            return nullptr;
        slots_.emplace_back();
    }
    Slot& slot = slots_[index];
    // A new generation for every open makes copies of earlier handles stale.
    if (++lastGeneration_ == 0)
        lastGeneration_ = 1;
    slot.generation = lastGeneration_;
    slot.kind = kind;

    const auto slotNumber = static_cast<uint32_t>(index);
    const Handle handle{kHandleMagic, slotNumber, slot.generation, CheckValue(slotNumber, slot.generation, kind)};
    std::memset(&context, 0, sizeof context);
    context.tag = static_cast<int16_t>(kind);
    std::memcpy(context.opaque, &handle, sizeof handle);
    return &slot;
}

bool ContextTable::Add(FileContext& context, std::unique_ptr<HeaderReader> reader)
{
    Slot* slot = Claim(context, ContextKind::Header);
    if (!slot)
        return false;
    slot->header = std::move(reader);
    return true;
}

bool ContextTable::Add(FileContext& context, std::unique_ptr<DataReader> reader)
{
    Slot* slot = Claim(context, ContextKind::Data);
    if (!slot)
        return false;
    slot->data = std::move(reader);
    return true;
}

HeaderReader* ContextTable::FindHeader(const FileContext* context)
{
    Slot* slot = Lookup(context, ContextKind::Header);
    return slot ? slot->header.get() : nullptr;
}

DataReader* ContextTable::FindData(const FileContext* context)
{
    Slot* slot = Lookup(context, ContextKind::Data);
    return slot ? slot->data.get() : nullptr;
}

bool ContextTable::Remove(FileContext* context, ContextKind kind)
{
    Slot* slot = Lookup(context, kind);
    if (!slot)
        return false;
    slot->header.reset();
    slot->data.reset();
    std::memset(context, 0, sizeof *context);
    return true;
}

void ContextTable::Release(FileContext* context)
{
    if (!Remove(context, ContextKind::Header))
        Remove(context, ContextKind::Data);
}

void ContextTable::Clear()
{
    for (Slot& slot : slots_) {
        slot.header.reset();
        slot.data.reset();
    }
}

} // namespace qv2omg
