// Choosing the pattern file: the dialog's file types, and what a choice or a cancel
// leaves in the program state and the main window.

#include "widgets/file_dialog.h"
#include "pattern_file/file_selector.h"
#include "pattern_file/pattern_file_selection.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <tuple>

#include "qt_printers.h"

namespace {

// What the dialog lists, in order: the descriptions without the blanks around the bars
// of the filter string, and the patterns each one filters by.
const std::pair<QString, QStringList> kToolkitFilters[] = {
    {"All Files (*.*)", {"*.*"}},           {"Pattern Files (*.pat)", {"*.pat"}},
    {"Config. Files (*.fig)", {"*.fig"}},   {"Desc. Files (*.dsc)", {"*.dsc"}},
    {"Output Files (*.out)", {"*.out"}},    {"Training Files (*.trn)", {"*.trn"}},
    {"Test Files (*.tst)", {"*.tst"}},      {"Backup Files (*.old)", {"*.old"}},
    {"Prob. Files (name.*)", {"*.*"}},      {"Network Files (*.nxx)", {"*.n**"}},
    {"Exe Files (*.exe)", {"*.exe"}},       {"Sprdsheet Files (wk1,xls)", {"*.wk1", "*.xls"}},
    {"Dll files (*.def)", {"*.def"}},       {"Excel Workbooks (*.xlsx)", {"*.xlsx"}},
    {"CSV Files (*.csv)", {"*.csv"}},
};

// The request, then the real dialog as RunFileDialog sets it up, accepted without being shown.
TEST(FileSelector, DialogOffersTheFileTypesAndKeepsATypedName)
{
    FileSelector() = FileSelectorState();
    widgets::FileDialogAnswers dialogs;
    dialogs.Answer(std::nullopt);
    EXPECT_TRUE(RunFileSelector("Select the Pattern Filename", 2));

    ASSERT_EQ(dialogs.All().size(), 1u);
    const widgets::FileDialogRequest& request = dialogs.All().front();
    EXPECT_EQ(request.mode, widgets::FileDialogMode::Save);
    EXPECT_EQ(request.title, "Select the Pattern Filename");
    EXPECT_EQ(request.selectedFilter, 1);
    EXPECT_FALSE(request.addTypeExtension);
    ASSERT_EQ(request.filters.size(), std::size(kToolkitFilters));
    for (size_t i = 0; i < request.filters.size(); ++i) {
        EXPECT_EQ(request.filters[i].description, kToolkitFilters[i].first) << "entry " << i + 1;
        EXPECT_EQ(request.filters[i].patterns, kToolkitFilters[i].second) << "entry " << i + 1;
    }

    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    widgets::ConfigureFileDialog(dialog, request);
    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(dialog.defaultSuffix(), "");
    ASSERT_EQ(dialog.nameFilters().size(), static_cast<qsizetype>(std::size(kToolkitFilters)));
    EXPECT_EQ(dialog.nameFilters()[8], "Prob. Files (name.*) (*.*)");
    EXPECT_EQ(dialog.nameFilters()[11], "Sprdsheet Files (wk1,xls) (*.wk1 *.xls)");
    // The user reads the descriptions as written, not the patterns Qt filters by.
    const auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
    ASSERT_NE(types, nullptr);
    EXPECT_EQ(types->itemText(8), "Prob. Files (name.*)");
    EXPECT_EQ(types->currentText(), "Pattern Files (*.pat)");

    // The pattern file's chooser returns a name as typed; the export's adds the chosen type's
    // extension to a name without one. Either keeps a typed extension.
    QTemporaryDir folder;
    for (const auto& [adds, type, typed, chosen] : {std::tuple{false, 1, "Prices Of XYZ", "Prices Of XYZ"},
                                                    std::tuple{true, 1, "Prices Of XYZ", "Prices Of XYZ.pat"},
                                                    std::tuple{true, 1, "abrn.wk1", "abrn.wk1"},
                                                    std::tuple{true, 11, "sheet", "sheet.wk1"},
                                                    std::tuple{true, 0, "as typed", "as typed"},
                                                    std::tuple{true, 9, "net", "net"}}) {
        widgets::FileDialogRequest asked = request;
        asked.addTypeExtension = adds;
        QFileDialog again;
        again.setOption(QFileDialog::DontUseNativeDialog);
        widgets::ConfigureFileDialog(again, asked);
        // As the user's choice in the type box, which signals it as activated.
        QComboBox* typeBox = again.findChild<QComboBox*>("fileTypeCombo");
        typeBox->setCurrentIndex(type);
        emit typeBox->activated(type);
        emit typeBox->textActivated(typeBox->currentText());
        again.selectFile(folder.path() + "/" + typed);
        static_cast<QDialog&>(again).accept();
        EXPECT_EQ(widgets::ChosenFileName(again, asked), QDir::toNativeSeparators(folder.path() + "/" + chosen))
            << typed;
    }
}

// The main window's pattern file, its label and View, and the dialog's answers.
struct Chooser {
    Chooser()
    {
        FileSelector() = FileSelectorState();
        window.resize(800, 200);
        label->setGeometry(0, 0, 600, 20);
        viewAction->setEnabled(false);
    }
    void Choose(std::optional<QString> answer)
    {
        dialogs.Answer(std::move(answer));
        SelectPatternFile(patternFile, &window, label, viewAction);
    }

    widgets::FileDialogAnswers dialogs;
    QString patternFile;
    QWidget window;
    QLabel* label = new QLabel(&window);
    QAction* viewAction = new QAction(&window);
};

// A choice is kept as returned, case and all, and enables View. Then cancel, a dialog that
// returns no name, and a request while a dialog is open all leave it as it was.
TEST(FileSelector, ChoiceIsKeptAsReturnedAndNothingChangesWithoutANewName)
{
    Chooser c;
    const QString chosen = "/home/Trader/Patterns/MixedCase.Pat";
    auto expectChosen = [&] {
        EXPECT_EQ(c.patternFile, chosen);
        EXPECT_EQ(c.label->text(), chosen);
        EXPECT_TRUE(c.viewAction->isEnabled());
    };

    c.Choose(chosen);
    expectChosen();

    c.Choose(std::nullopt);
    EXPECT_EQ(FileSelector().FileDialogResult, kFileDialogCancelled);
    expectChosen();
    c.Choose("");
    expectChosen();

    FileSelector().FileDialogBusy = true;
    c.Choose("/data/second.pat");
    EXPECT_EQ(c.dialogs.All().size(), 3u) << "a dialog was shown while one was open";
    expectChosen();
}

} // namespace
