#pragma once

// A TradeStation installation in a temporary folder (Program, Data and a registry file
// naming the Program folder), and the main window started on it off-screen with the
// real data-access library.

#include "app/main_window.h"
#include "app/start_up.h"
#include "qv2omg/database_writer.h"
#include "widgets/message_box.h"

#include "qt_printers.h"

#include <QTemporaryDir>

#include <memory>
#include <string>

namespace app_test {

// A path in the system's own separators, as the program reads it from the registry and
// shows it.
QString Native(const QString& path);

class Installation {
public:
    Installation();

    QString Root() const { return temp_.filePath(QStringLiteral("MainWindow")); }
    QString ProgramDir() const { return Root() + QStringLiteral("/Program"); }
    QString DataRoot() const { return Root() + QStringLiteral("/Data"); }
    QString RegistryFile() const { return temp_.filePath(QStringLiteral("registry.reg")); }
    QString Temp() const { return temp_.path(); }

    // Makes a data directory, with a database of `securities` when any are given; its
    // path as the program lists it, in the system's own separators.
    QString AddDataDir(const QString& name, const std::vector<qv2omg::NewSecurity>& securities = {});
    void AddFile(const QString& relativePath);
    // The registry file, with the App Paths entry naming `path`.
    void WriteRegistryPath(const QString& path);

private:
    QTemporaryDir temp_;
};

qv2omg::NewSecurity Security(const std::string& symbol, const std::string& description);

struct StartUp {
    std::unique_ptr<MainWindow> window;
    StartUpOutcome outcome = StartUpOutcome::Fatal;
    std::vector<widgets::Message> messages;
    QString workingDirectory;  // as the load step left it

    // The messages shown, for a failed expectation to print.
    std::string Said() const;
};

// Runs the load step of a new main window on `installation`; the working directory is
// restored afterwards.
StartUp Start(const Installation& installation, const QString& commandLine = {},
              const QString& programFolder = QStringLiteral(TESSAPORT_PROGRAM_DIR));

} // namespace app_test
