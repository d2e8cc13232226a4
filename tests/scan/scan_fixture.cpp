#include "scan_fixture.h"

#include "omega/data_library.h"
#include "qv2omg/database_writer.h"
#include "scan/drive_list.h"

#include <QApplication>
#include <QDir>
#include <QTreeWidget>

#include <algorithm>

namespace scan::test {

namespace {

// Its own QApplication rather than the shared start: under Wine the shared one measures the
// folder list's font about twice as wide (cause not found).
struct QtEnvironment : ::testing::Environment {
    void SetUp() override
    {
        qputenv("TESSAPORT_PROGRAM_DIR", TESSAPORT_PROGRAM_DIR);
        application = std::make_unique<QApplication>(argc, argv);
        ASSERT_TRUE(omega::TheDataLibrary().Load()) << omega::TheDataLibrary().ErrorString().toStdString();
    }
    void TearDown() override { application.reset(); }

    int argc = 1;
    char name[11] = "scan_tests";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<QApplication> application;
};

[[maybe_unused]] const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

} // namespace

ScanFixture::ScanFixture()
{
    state_.omegaRootDir = root_.path();
    state_.tradeStationDir = Path(QStringLiteral("Program"));
    QDir().mkpath(state_.tradeStationDir);
    QDir().mkpath(Path(QStringLiteral("Data")));
    SelectDataDir = [this] { state_.currentDataDir = dataDirCombo_->currentText(); };
    FillDataDirCombo = [this] {
        dataDirCombo_->clear();
        dataDirCombo_->addItems(state_.dataDirs);
        if (dataDirCombo_->count() > 0)
            dataDirCombo_->setCurrentIndex(0);
    };
    QObject::connect(dataDirCombo_, &QComboBox::currentIndexChanged, [this] { SelectDataDir(); });
}

void ScanFixture::MakeTree(const QStringList& lines)
{
    for (const QString& line : lines) {
        const QStringList words = line.split(u' ');
        const QString path = Path(words.at(1));
        QDir().mkpath(QFileInfo(path).path());
        if (words[0] == QLatin1String("file")) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << line.toStdString();
        } else if (words[0] == QLatin1String("db")) {
            ASSERT_TRUE(qv2omg::CreateDatabase(QFile::encodeName(path).toStdString()).IsOk()) << line.toStdString();
            AddSecurities(words[1], 1, words.at(2).toInt());
        } else {
            ASSERT_TRUE(QFile::link(words.at(2), path)) << line.toStdString();
        }
    }
}

void ScanFixture::AddSecurities(const QString& relative, int first, int count)
{
    for (int i = first; i < first + count; ++i) {
        qv2omg::SecurityInfo info;
        info.symbol = "S" + std::to_string(i);
        const qv2omg::Status added = qv2omg::AddSecurity(QFile::encodeName(Path(relative)).toStdString(), info, {});
        ASSERT_TRUE(added.IsOk()) << added.Message();
    }
}

void ScanFixture::SetMainList(const QStringList& items, int selected)
{
    state_.dataDirs = items;
    FillDataDirCombo();
    dataDirCombo_->setCurrentIndex(selected);
}

std::unique_ptr<DataFolderDialog> ScanFixture::LoadScanner()
{
    auto dialog = std::make_unique<DataFolderDialog>(state_, dataDirCombo_, &window_);
    if (dialog->placeBox->findText(SystemVolume()) < 0)
        dialog->placeBox->addItem(SystemVolume());
    dialog->placeBox->setCurrentIndex(dialog->placeBox->findText(SystemVolume()));
    dialog->choosePlace(dialog->placeBox->currentIndex());  // as a person choosing it
    return dialog;
}

Entries ScanFixture::ListEntries(const DataFolderDialog& dialog)
{
    Entries entries;
    for (int i = 0; i < dialog.folderList->topLevelItemCount(); ++i)
        entries.emplace_back(dialog.folderList->topLevelItem(i)->text(0), dialog.folderList->topLevelItem(i)->text(1));
    return entries;
}

Entries ScanFixture::Sorted(Entries entries, bool relative) const
{
    for (auto& entry : entries)
        entry.first = relative ? Path(entry.first) : entry.first;
    std::sort(entries.begin(), entries.end());
    return entries;
}

} // namespace scan::test
