#pragma once

#include "engine/data_source.h"
#include "omega/data_library.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <string>

// A database read through the loaded data-access library, as the window and the command
// line read it.
class LibrarySource : public engine::DataSource {
public:
    LibrarySource(const omega::DataLibrary& library, const QString& dataDir);

    std::string Name() const override { return name_; }
    std::optional<engine::HeldSecurity> Find(std::string_view symbol) const override;
    std::optional<std::pair<int32_t, int32_t>> Extent(const std::string& symbol) const override;
    std::unique_ptr<engine::Records> Open(const std::string& symbol, int32_t firstDay, int32_t lastDay) const override;

private:
    const omega::DataLibrary& library_;
    QByteArray dataDir_;  // as the library takes it
    std::string name_;
};

// The symbol of a security record, as held: the field up to its NUL.
std::string HeldSymbol(const SecurityRecord& security);
