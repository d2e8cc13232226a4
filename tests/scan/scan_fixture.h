#pragma once

#include "omega/program_state.h"
#include "scan/data_folder_dialog.h"

#include <QComboBox>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "qt_printers.h"

namespace scan::test {

// List entries: folder and "# files" text.
using Entries = std::vector<std::pair<QString, QString>>;

// An installation in a temporary folder (TradeStation folder <root>/Program, data root
// <root>/Data) and a main window whose dataDirCombo is filled and read as the real one is.
class ScanFixture : public ::testing::Test {
protected:
    ScanFixture();

    // In the system's separators, as the scanner shows paths.
    QString Path(const QString& relative) const { return QDir::toNativeSeparators(root_.path() + u'/' + relative); }
    // Lines "file P", "db P N" (N securities), "link P TARGET"; P relative to the root.
    void MakeTree(const QStringList& lines);
    void AddSecurities(const QString& relative, int first, int count);
    void SetMainList(const QStringList& items, int selected);
    // A scanner loaded from dataDirCombo, the system volume selected.
    std::unique_ptr<DataFolderDialog> LoadScanner();
    static Entries ListEntries(const DataFolderDialog& dialog);  // in display order
    // Sorted, for walks whose order is the file system's; `relative` folders are made absolute.
    Entries Sorted(Entries entries, bool relative = false) const;

    QTemporaryDir root_;
    ProgramState state_;
    QWidget window_;
    QComboBox* dataDirCombo_ = new QComboBox(&window_);
    std::function<void()> FillDataDirCombo;
    std::function<void()> SelectDataDir;
};

} // namespace scan::test
