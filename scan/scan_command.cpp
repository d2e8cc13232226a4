#include "scan_command.h"

#include "data_folder_dialog.h"

#include <QComboBox>
#include <QPointer>

#include <algorithm>

namespace scan {

namespace {
// The loaded scanner. Close only hides it, so it keeps its list between openings.
QPointer<formFileSearch> loadedScanner;
ScopedScannerDriver* driver = nullptr;
} // namespace

ScopedScannerDriver::ScopedScannerDriver(std::function<void(formFileSearch&)> drive)
    : drive_(std::move(drive)), previous_(driver)
{
    driver = this;
}

ScopedScannerDriver::~ScopedScannerDriver() { driver = previous_; }

void mnuScan_Click(ProgramState& state, const MainControls& controls, const std::function<void()>& fillOmegaDirs,
                   const std::function<void()>& selectDataDir)
{
    QComboBox* cmbOmega = controls.cmbOmega;
    const QString selected = cmbOmega && cmbOmega->count() > 0 ? cmbOmega->currentText() : QString();

    if (loadedScanner && (loadedScanner->ClosedThroughFrame() || &loadedScanner->State() != &state ||
                          loadedScanner->parentWidget() != controls.window))
        delete loadedScanner.data();
    if (!loadedScanner)
        loadedScanner = new formFileSearch(state, cmbOmega, controls.window);

    formFileSearch* scanner = loadedScanner;
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

    fillOmegaDirs();
    selectDataDir();
    if (!cmbOmega || cmbOmega->count() == 0)
        return;
    const int index = cmbOmega->findText(selected, Qt::MatchFixedString);  // ignoring case, first match
    cmbOmega->setCurrentIndex(std::max(index, 0));
    // Selecting an entry adopts it; the index may not have changed, so adopt it here
    // too (a repeated adoption of the same folder does nothing).
    selectDataDir();
}

} // namespace scan
