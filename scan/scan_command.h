#pragma once

#include "omega/program_state.h"

#include <functional>

class QComboBox;
class QWidget;

namespace scan {

class DataFolderDialog;

// The main window's menu command "Omega Data Directories...". Shows the scanner modally
// (loading it the first time, or again after it was closed through its frame), then
// refills dataDirCombo from dataDirs with `fillDataDirCombo`, runs `selectDataDir`, and selects
// again the folder that was selected before, ignoring case, or else the first one.
// The scanner is a child of `window` and lives as long as it does.
void ShowDataFolderScanner(ProgramState& state, QComboBox* dataDirCombo, QWidget* window,
                           const std::function<void()>& fillDataDirCombo, const std::function<void()>& selectDataDir);

// While one lives, ShowDataFolderScanner does not wait for a person: it shows the scanner and
// hands it to `drive`, which acts on it as a user would (click Scan, Close, close the
// frame). Tests only.
class ScopedScannerDriver {
public:
    explicit ScopedScannerDriver(std::function<void(DataFolderDialog&)> drive);
    ~ScopedScannerDriver();
    ScopedScannerDriver(const ScopedScannerDriver&) = delete;
    ScopedScannerDriver& operator=(const ScopedScannerDriver&) = delete;

private:
    friend void ShowDataFolderScanner(ProgramState&, QComboBox*, QWidget*, const std::function<void()>&,
                                      const std::function<void()>&);
    std::function<void(DataFolderDialog&)> drive_;
    ScopedScannerDriver* previous_;
};

} // namespace scan
