#include "search_fixture.h"

#include "omega/data_library.h"
#include "qv2omg/db_format.h"

#include <QCoreApplication>
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

namespace {

template <typename Widget>
Widget* Make(QWidget* parent, const char* name, int left, int top, int width, int height)
{
    auto* widget = new Widget(parent);
    widget->setObjectName(QString::fromLatin1(name));
    widgets::SetTwipsGeometry(widget, left, top, width, height);
    return widget;
}

} // namespace

TestWindow::TestWindow()
{
    LoadDataLibrary();
    window = std::make_unique<QWidget>();
    QWidget* w = c.window = window.get();
    w->resize(widgets::TwipsToPixelsX(6885), widgets::TwipsToPixelsY(4755));

    QFrame* panel = c.mainPanel = Make<QFrame>(w, "mainPanel", 240, 960, 6375, 3345);
    c.symbolCaption = Make<QLabel>(panel, "symbolCaption", 390, 150, 1575, 195);
    c.symbolEdit = Make<QLineEdit>(panel, "symbolEdit", 2040, 120, 1095, 285);
    c.searchByCaption = Make<QLabel>(panel, "searchByCaption", 3270, 150, 825, 225);
    c.searchBySymbolButton = Make<QRadioButton>(panel, "searchBySymbolButton", 4110, 150, 825, 255);
    c.searchByDescriptionButton = Make<QRadioButton>(panel, "searchByDescriptionButton", 5040, 150, 1215, 255);
    c.searchBySymbolButton->setChecked(true);
    c.wildcardHint = Make<QLabel>(panel, "wildcardHint", 390, 330, 1635, 195);
    c.entryCountCaption = Make<QLabel>(panel, "entryCountCaption", 390, 540, 1815, 225);
    c.entryCountLabel = Make<QLabel>(panel, "entryCountLabel", 2280, 540, 975, 225);
    c.searchButton = Make<QPushButton>(panel, "searchButton", 3570, 90, 2205, 315);
    QGroupBox* info = c.securityInfoFrame = Make<QGroupBox>(panel, "securityInfoFrame", 390, 540, 5625, 1455);
    c.descriptionLabel = Make<QLabel>(info, "descriptionLabel", 1530, 300, 3795, 255);
    c.categoryLabel = Make<QLabel>(info, "categoryLabel", 1530, 570, 3795, 255);
    c.periodLabel = Make<QLabel>(info, "periodLabel", 1530, 840, 3795, 255);
    c.dataAvailableLabel = Make<QLabel>(info, "dataAvailableLabel", 1530, 1110, 3795, 255);
    c.securityList = Make<QListView>(panel, "securityList", 390, 750, 5625, 1035);
    QGroupBox* options = c.importOptionsFrame = Make<QGroupBox>(panel, "importOptionsFrame", 390, 2010, 5625, 1035);
    c.firstDateEdit = Make<QLineEdit>(options, "firstDateEdit", 1260, 270, 1065, 285);
    c.lastDateEdit = Make<QLineEdit>(options, "lastDateEdit", 1260, 600, 1065, 285);
    c.statusLine = Make<QLabel>(w, "statusLine", 0, 4410, 6885, 345);

    c.typingTimer = new QTimer(w);  // not connected: tests call the tick handler
    c.typingTimer->setInterval(550);
    c.typingTimer->start();
    c.beginImportAction = new QAction(w);
    c.beginImportAction->setEnabled(false);
    c.modeActions = {new QAction(w), new QAction(w)};
    for (QAction* mode : c.modeActions)
        mode->setCheckable(true);
    c.modeActions[0]->setChecked(true);
    QObject::connect(c.symbolEdit, &QLineEdit::textChanged, w, [this] { SymbolTextChanged(state, c); });

    QDir(temp.path()).mkpath(QStringLiteral("Program"));
    state.TradeStationDir = QDir(temp.path()).filePath(QStringLiteral("Program"));
    state.CurrentDataDir = QString::fromStdString(DataDir().string());

    w->show();
    ApplyImportMode(state, c, ImportMode::SingleSecurity);
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
