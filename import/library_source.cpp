#include "import/library_source.h"

#include "omega/omega_date.h"
#include "omega/security_table.h"

#include <cstring>

namespace {

// A security's data file open between two days, closed on every way out.
class LibraryRecords : public engine::Records {
public:
    LibraryRecords(const omega::DataLibrary& library, const QByteArray& dataDir, const std::string& symbol,
                   int32_t firstDay, int32_t lastDay)
        : library_(library)
    {
        const OmegaDate first = omega::SerialToOmegaDate(firstDay);
        const OmegaDate last = omega::SerialToOmegaDate(lastDay);
        opened_ = library_.OpenDataFile(dataDir.constData(), symbol.c_str(), &first, &last, &context_) == 0;
    }
    ~LibraryRecords() override
    {
        // A failed open reads nothing, and closing it is harmless.
        library_.CloseDataFile(&context_);
    }
    LibraryRecords(const LibraryRecords&) = delete;
    LibraryRecords& operator=(const LibraryRecords&) = delete;

    bool Opened() const override { return opened_; }
    int16_t Read(PriceRecord& record) override { return library_.ReadData(&context_, &record, 1); }

private:
    const omega::DataLibrary& library_;
    FileContext context_{};
    bool opened_ = false;
};

} // namespace

std::string HeldSymbol(const SecurityRecord& security)
{
    return std::string(security.symbol, strnlen(security.symbol, sizeof security.symbol));
}

LibrarySource::LibrarySource(const omega::DataLibrary& library, const QString& dataDir)
    : library_(library), dataDir_(omega::LibraryPath(dataDir)), name_(dataDir.toStdString())
{
}

std::optional<engine::HeldSecurity> LibrarySource::Find(std::string_view symbol) const
{
    SecurityRecord security{};
    const std::string text(symbol);
    if (text.find('\0') != std::string::npos || library_.SearchSecurity(dataDir_.constData(), text.c_str(), &security) != 0)
        return std::nullopt;
    return engine::HeldSecurity{HeldSymbol(security), security.period};
}

std::optional<std::pair<int32_t, int32_t>> LibrarySource::Extent(const std::string& symbol) const
{
    DateRange range{};
    if (library_.GetDateRange(dataDir_.constData(), symbol.c_str(), &range) != 0 || range.available == 0)
        return std::nullopt;
    return std::pair{omega::OmegaDateToSerial(range.first), omega::OmegaDateToSerial(range.last)};
}

std::unique_ptr<engine::Records> LibrarySource::Open(const std::string& symbol, int32_t firstDay, int32_t lastDay) const
{
    return std::make_unique<LibraryRecords>(library_, dataDir_, symbol, firstDay, lastDay);
}
