#include "search_fixture.h"

#include "omega/data_library.h"
#include "qv2omg/db_format.h"

#include <QApplication>
#include <QEvent>

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace search_test {

namespace fs = std::filesystem;

// The system locale is read on first use, which may come before any window.
[[maybe_unused]] const bool usDates = qputenv("LC_ALL", "en_US.UTF-8");

void StartApplication()
{
    if (QApplication::instance())
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "search_test";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
    const QString library = QDir(QStringLiteral(TESSAPORT_PROGRAM_DIR)).filePath(omega::DataLibrary::FileName());
    if (!omega::TheDataLibrary().Load(library)) {
        std::fprintf(stderr, "cannot load %s\n", qPrintable(library));
        std::abort();
    }
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
    platform::SetTwipsGeometry(widget, left, top, width, height);
    return widget;
}

} // namespace

TestWindow::TestWindow()
{
    StartApplication();
    window = std::make_unique<QWidget>();
    QWidget* w = c.window = window.get();
    w->resize(platform::TwipsToPixelsX(6885), platform::TwipsToPixelsY(4755));

    QFrame* panel = c.Panel3D1 = Make<QFrame>(w, "Panel3D1", 240, 960, 6375, 3345);
    c.Label6 = Make<QLabel>(panel, "Label6", 390, 150, 1575, 195);
    c.txtSymbol = Make<QLineEdit>(panel, "txtSymbol", 2040, 120, 1095, 285);
    c.Label13 = Make<QLabel>(panel, "Label13", 3270, 150, 825, 225);
    c.opbSearch[0] = Make<QRadioButton>(panel, "opbSearch(0)", 4110, 150, 825, 255);
    c.opbSearch[1] = Make<QRadioButton>(panel, "opbSearch(1)", 5040, 150, 1215, 255);
    c.opbSearch[0]->setChecked(true);
    c.Label14 = Make<QLabel>(panel, "Label14", 390, 330, 1635, 195);
    c.Label12 = Make<QLabel>(panel, "Label12", 390, 540, 1815, 225);
    c.lblNumOfEntries = Make<QLabel>(panel, "lblNumOfEntries", 2280, 540, 975, 225);
    c.cmdSearch = Make<QPushButton>(panel, "cmdSearch", 3570, 90, 2205, 315);
    QGroupBox* info = c.Frame3D1 = Make<QGroupBox>(panel, "Frame3D1", 390, 540, 5625, 1455);
    c.pctDesc = Make<QLabel>(info, "pctDesc", 1530, 300, 3795, 255);
    c.lblCategory = Make<QLabel>(info, "lblCategory", 1530, 570, 3795, 255);
    c.lblPeriod = Make<QLabel>(info, "lblPeriod", 1530, 840, 3795, 255);
    c.lblDataAvailable = Make<QLabel>(info, "lblDataAvailable", 1530, 1110, 3795, 255);
    c.List1 = Make<QListView>(panel, "List1", 390, 750, 5625, 1035);
    QGroupBox* options = c.frmOptions = Make<QGroupBox>(panel, "frmOptions", 390, 2010, 5625, 1035);
    c.txtFirstDate = Make<QLineEdit>(options, "txtFirstDate", 1260, 270, 1065, 285);
    c.txtLastDate = Make<QLineEdit>(options, "txtLastDate", 1260, 600, 1065, 285);
    c.InfoPanel = Make<QLabel>(w, "InfoPanel", 0, 4410, 6885, 345);

    c.Timer1 = new QTimer(w);  // not connected: tests call the tick handler
    c.Timer1->setInterval(550);
    c.Timer1->start();
    c.mnuBegin = new QAction(w);
    c.mnuBegin->setEnabled(false);
    c.mnuMode = {new QAction(w), new QAction(w)};
    for (QAction* mode : c.mnuMode)
        mode->setCheckable(true);
    c.mnuMode[0]->setChecked(true);
    QObject::connect(c.txtSymbol, &QLineEdit::textChanged, w, [this] { SymbolTextChanged(state, c); });

    QDir(temp.path()).mkpath(QStringLiteral("Program"));
    state.TradeStationDir = QDir(temp.path()).filePath(QStringLiteral("Program"));
    state.CurrentDataDir = QString::fromStdString(DataDir().string());

    w->show();
    ApplyImportMode(state, c, 0);
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
