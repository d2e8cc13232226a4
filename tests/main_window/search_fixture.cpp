#include "search_fixture.h"

#include "omega/data_library.h"
#include "qv2omg/db_format.h"

#include <QCoreApplication>
#include <QMenuBar>
#include <QEvent>

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace search_test {

namespace fs = std::filesystem;

// The system locale is read on first use, which may come before any window.
[[maybe_unused]] const bool usDates = qputenv("LC_ALL", "en_US.UTF-8");

void LoadDataLibrary()
{
    [[maybe_unused]] static const bool loaded = [] {
        const QString library = QDir(QStringLiteral(TESSAPORT_PROGRAM_DIR)).filePath(omega::DataLibrary::FileName());
        if (!omega::TheDataLibrary().Load(library)) {
            std::fprintf(stderr, "cannot load %s\n", qPrintable(library));
            std::abort();
        }
        return true;
    }();
}

qv2omg::NewSecurity Security(std::string symbol, std::string description, std::vector<uint32_t> dates,
                             int16_t category, int16_t period)
{
    qv2omg::NewSecurity security{{std::move(symbol), std::move(description), category, period, false}, {}};
    for (const uint32_t date : dates)
        security.rows.push_back({date, 10, 11, 9, 10, 1000, 0});
    return security;
}

void WriteHeaderOnly(const fs::path& directory, int32_t count)
{
    fs::create_directories(directory);
    std::vector<uint8_t> bytes(qv2omg::kPreambleSize + qv2omg::kSecurityEntrySize * static_cast<size_t>(count));
    qv2omg::EncodePreamble(qv2omg::FileKind::Header, static_cast<uint32_t>(count), bytes.data());
    for (int32_t i = 0; i < count; ++i) {
        qv2omg::SecurityEntry entry;
        const std::string symbol = "S" + std::to_string(i);
        const std::string description = "Security number " + std::to_string(i);
        const std::string file = qv2omg::DataFileName(static_cast<uint32_t>(i + 1));
        std::copy(symbol.begin(), symbol.end(), entry.symbol.begin());
        std::copy(description.begin(), description.end(), entry.description.begin());
        std::copy(file.begin(), file.end(), entry.dataFile.begin());
        qv2omg::EncodeSecurityEntry(entry, &bytes[qv2omg::kPreambleSize + qv2omg::kSecurityEntrySize * size_t(i)]);
    }
    std::ofstream(directory / qv2omg::kHeaderFileName, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

DataLibraryLoaded::DataLibraryLoaded()
{
    LoadDataLibrary();
}

TestWindow::TestWindow() : c(window)
{
    window.resize(widgets::TwipsToPixelsX(6885), window.menuBar()->sizeHint().height() + widgets::TwipsToPixelsY(4755));
    QObject::connect(c.symbolEdit(), &QLineEdit::textChanged, &window, [this] { search.SymbolTextChanged(); });

    QDir(temp.path()).mkpath(QStringLiteral("Program"));
    state.tradeStationDir = QDir(temp.path()).filePath(QStringLiteral("Program"));
    state.currentDataDir = QString::fromStdString(DataDir().string());

    window.show();
    search.ApplyMode(ImportMode::SingleSecurity);
}

fs::path TestWindow::DataDir() const
{
    return fs::path(temp.path().toStdString()) / "Data" / "Stocks";
}

bool TestWindow::AddSecurities(const std::vector<qv2omg::NewSecurity>& securities)
{
    qv2omg::Status status = fs::exists(DataDir() / qv2omg::kHeaderFileName) ? qv2omg::Status::Ok()
                                                                             : qv2omg::CreateDatabase(DataDir());
    if (status.IsOk())
        status = qv2omg::AddSecurities(DataDir(), securities);
    if (!status.IsOk())
        std::fprintf(stderr, "%s\n", status.Message().c_str());
    return status.IsOk();
}

const QEvent::Type kPumpEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

PumpProbe::PumpProbe(std::function<void()> onPump) : onPump_(std::move(onPump))
{
    QCoreApplication::postEvent(this, new QEvent(kPumpEvent));
}

bool PumpProbe::event(QEvent* event)
{
    if (event->type() != kPumpEvent)
        return QObject::event(event);
    onPump_();
    QCoreApplication::postEvent(this, new QEvent(kPumpEvent));
    return true;
}

} // namespace search_test
