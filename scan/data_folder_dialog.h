#pragma once

#include "omega/program_state.h"

#include <QDialog>

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {
class FolderListing;
enum class EnterResult;
}

class QComboBox;
class QLabel;
class QPushButton;
class QStatusBar;
class QTreeWidget;

namespace scan {

// The data folder scanner: walks one volume for folders that directly hold a database
// header file and lets the user edit the list, which Close hands to the program as its
// data directories. Close only hides the window; closing it through the frame discards
// it without handing anything back.
class formFileSearch : public QDialog {
    Q_OBJECT

public:
    // Indices into Command1.
    static constexpr int kScan = 0;
    static constexpr int kStop = 1;
    static constexpr int kClearList = 2;
    static constexpr int kRemove = 3;
    static constexpr int kClose = 4;

    // Loads the window: the volume of the program's folder, centred on the screen, the
    // list taken from the items of `cmbOmega`.
    formFileSearch(ProgramState& state, const QComboBox* cmbOmega, QWidget* parent = nullptr);

    void Command1_Click(int index);
    // The place to scan: a volume, the home folder, or Folder..., which asks for a folder
    // and adds it to the list.
    void Drive1_Change(int index);

    // Walks `path` and everything below it on the same volume. An empty path stands for
    // the root folder, as a bare drive does.
    void ScanFolder(const QString& path);
    // Number of securities in the header file of `path`, 0 when there is none. `switched`
    // tells whether the working directory could be set for the library.
    int16_t GetFolderFileCount(const QString& path, bool* switched = nullptr) const;
    static void ResizeListView(QTreeWidget* lstv);

    const ProgramState& State() const { return state_; }
    QString StatusText() const;
    bool ClosedThroughFrame() const { return closedThroughFrame_; }

    QLabel* Label2 = nullptr;
    QComboBox* Drive1 = nullptr;
    QTreeWidget* ListView1 = nullptr;
    std::array<QPushButton*, 5> Command1{};
    QStatusBar* StatusBar1 = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Escape does not leave the window: only Close hands the list back.
    void reject() override {}

private:
    void CreateControls();
    void Form_Load(const QComboBox* cmbOmega);
    void Form_Resize();
    void ApplyMinimumSize();

    void Scan();
    void CloseWindow();
    void SetScanning(bool scanning);
    void SetStatus(const QString& text);

    void Walk(std::unique_ptr<platform::FolderListing> start, const std::string& path);
    void NoteUnread(const std::string& path, platform::EnterResult result);
    bool RecordDataFolder(const std::string& path);
    void EnterFolder(const std::string& path);
    void PumpEvents();
    void PumpEventsIfDue();

    ProgramState& state_;
    QLabel* statusPanel_ = nullptr;
    bool closedThroughFrame_ = false;
    int chosenPlace_ = 0;  // the place in Drive1 before Folder... was chosen

    int16_t StopRequested = kFalse;
    int32_t DirsSearched = 0;
    int32_t FilesChecked = 0;
    // Folders the walk could not enter or list to the end, and the first of them with why.
    int unreadFolders_ = 0;
    QString firstUnread_;
    QString firstUnreadWhy_;
    bool walkEndedEarly_ = false;

    // Events are let through at most every few milliseconds; the clock is read only
    // every few entries.
    std::chrono::steady_clock::time_point lastPump_;
    int entriesUntilClockCheck_ = 0;
    std::string scanningFolder_;
    bool scanningFolderShown_ = true;
};

} // namespace scan
