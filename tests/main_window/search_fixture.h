#pragma once

// Shared by the search tests and benchmark: the real library, real databases in
// temporary directories, and the main window's controls off-screen. Brings the
// search operations, the message and busy-pointer seams and the control classes.

#include "main_window/main_window_controls.h"
#include "omega/program_state.h"
#include "main_window/security_search.h"
#include "widgets/busy_pointer.h"
#include "widgets/message_box.h"
#include "widgets/twips.h"
#include "qv2omg/database_writer.h"

#include <QAction>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMainWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace search_test {

// The data-access library of the build, loaded once (the application has US short dates).
void LoadDataLibrary();

qv2omg::NewSecurity Security(std::string symbol, std::string description, std::vector<uint32_t> dates = {19980305},
                             int16_t category = 2, int16_t period = 0);
// A header file of `count` securities "S<i>", "Security number <i>", without data files.
void WriteHeaderOnly(const std::filesystem::path& directory, int32_t count);

// Loads the data-access library before the controls are built.
struct DataLibraryLoaded {
    DataLibraryLoaded();
};

// The main window's controls in a window of their own, with the symbol box's change
// handler connected and single mode set up; a data directory beside.
class TestWindow : private DataLibraryLoaded {
public:
    TestWindow();
    std::filesystem::path DataDir() const;
    bool AddSecurities(const std::vector<qv2omg::NewSecurity>& securities);

    QTemporaryDir temp;
    QMainWindow window;
    MainWindowControls c;
    ProgramState state;
    SecuritySearch search{state, c};
};

// Runs a function each time pending events are processed, while it lives.
struct PumpProbe : QObject {
    explicit PumpProbe(std::function<void()> onPump);
    bool event(QEvent* event) override;
    std::function<void()> onPump_;
};

} // namespace search_test
