#pragma once

#include "omega/data_library.h"
#include "main_window/main_window_controls.h"
#include "omega/program_state.h"
#include "qv2omg/db_format.h"
#include "test_files.h"

#include <QStringList>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

// The data-access library of the build, loaded and initialised once.
omega::DataLibrary& Library();

// `count` records on the weekdays from 2 March 1998: prices step by 0.25 from 10 (exact as
// floats), volume 1000 + i, open interest 500 + i.
std::vector<qv2omg::PriceRow> WeekdayRows(int count);

// The day number of a yyyymmdd date.
int32_t DayOf(uint32_t date);

// Interrupt Import, when triggered, asks `state` to stop, as the main window has it do.
void ConnectInterrupt(const MainWindowControls& controls, ProgramState& state);

// A database in a temporary folder, with room for pattern files beside it.
class TestDatabase {
public:
    TestDatabase();
    QString Dir() const { return dir_.filePath(QStringLiteral("db")); }
    std::string Path(const std::string& name) const
    {
        return dir_.filePath(QString::fromStdString(name)).toStdString();
    }
    void Add(const std::string& symbol, const std::vector<qv2omg::PriceRow>& rows);
    // The security stays listed; its data become unavailable.
    void RemoveDataFile(const std::string& symbol);

private:
    QTemporaryDir dir_;
};

// A sheet's cells row by row: labels as they are, numbers in their shortest exact form.
using Grid = std::vector<std::vector<std::string>>;
Grid ReadGrid(const std::string& path);
// What the import should write for `rows`.
Grid ExpectedGrid(const std::string& symbol, const std::vector<qv2omg::PriceRow>& rows, bool openInterest, bool skip);

struct CommandResult {
    int exitCode = -1;
    std::string err;
};
// Runs the build's tessaport-import.
CommandResult RunImportCommand(const QStringList& arguments);
