#include "scan_command.h"

#include "data_folder_dialog.h"

#include <QComboBox>
#include <QPointer>

#include <algorithm>

namespace scan {

namespace {
// The loaded scanner. Close only hides it, so it keeps its list between openings.
QPointer<DataFolderDialog> loadedScanner;
ScopedScannerDriver* driver = nullptr;
} // namespace

ScopedScannerDriver::ScopedScannerDriver(std::function<void(DataFolderDialog&)> drive)
    : drive_(std::move(drive)), previous_(driver)
{
    driver = this;
}

ScopedScannerDriver::~ScopedScannerDriver() { driver = previous_; }

void ShowDataFolderScanner(ProgramState& state, QComboBox* dataDirCombo, QWidget* window,
                           const std::function<void()>& fillDataDirCombo, const std::function<void()>& selectDataDir)
{
    const QString selected = dataDirCombo && dataDirCombo->count() > 0 ? dataDirCombo->currentText() : QString();

    if (loadedScanner && (loadedScanner->ClosedThroughFrame() || &loadedScanner->State() != &state ||
                          loadedScanner->parentWidget() != window))
        delete loadedScanner.data();
    if (!loadedScanner)
        loadedScanner = new DataFolderDialog(state, dataDirCombo, window);

    DataFolderDialog* scanner = loadedScanner;
    if (driver) {
        scanner->show();
        driver->drive_(*scanner);
        scanner->hide();
    } else {
        scanner->exec();
    }
    // Closed through its frame: it goes, and the next opening loads it afresh.
    if (scanner->ClosedThroughFrame())
        delete scanner;

    fillDataDirCombo();
    selectDataDir();
    if (!dataDirCombo || dataDirCombo->count() == 0)
        return;
    const int index = dataDirCombo->findText(selected, Qt::MatchFixedString);  // ignoring case, first match
    dataDirCombo->setCurrentIndex(std::max(index, 0));
    // Selecting an entry adopts it; the index may not have changed, so adopt it here
    // too (a repeated adoption of the same folder does nothing).
    selectDataDir();
}

} // namespace scan
