// Choosing the pattern file: the dialog's file types, and what a choice or a cancel
// leaves in the program state and the main window.

#include "omega/main_controls.h"
#include "omega/program_state.h"
#include "platform/file_dialog.h"
#include "ui/file_selector.h"
#include "ui/pattern_file_selection.h"

#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

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
    {"Dll files (*.def)", {"*.def"}},
};

class FileSelectorTest : public testing::Test {
protected:
    FileSelectorTest()
    {
        FileSelector() = FileSelectorState();
        window_.resize(800, 200);
        label4_ = new QLabel(&window_);
        label4_->setGeometry(0, 0, 600, 20);
        mnuView_ = new QAction(&window_);
        mnuView_->setEnabled(false);
        controls_.window = &window_;
        controls_.Label4 = label4_;
        controls_.mnuView = mnuView_;
    }

    platform::FileDialogAnswers dialogs_;
    ProgramState state_;
    QWidget window_;
    QLabel* label4_;
    QAction* mnuView_;
    MainControls controls_;
};

TEST_F(FileSelectorTest, DialogOffersTheFileTypesOpeningOnPatternFiles)
{
    dialogs_.AnswerCancel();
    EXPECT_EQ(RunFileSelector("Select the Pattern Filename", 2), kTrue);

    ASSERT_EQ(dialogs_.Requests().size(), 1u);
    const platform::FileDialogRequest& request = dialogs_.Requests().front();
    EXPECT_EQ(request.mode, platform::FileDialogMode::Save);
    EXPECT_EQ(request.title, "Select the Pattern Filename");
    EXPECT_EQ(request.selectedFilter, 1);
    ASSERT_EQ(request.filters.size(), std::size(kToolkitFilters));
    for (size_t i = 0; i < request.filters.size(); ++i) {
        EXPECT_EQ(request.filters[i].description, kToolkitFilters[i].first) << "entry " << i + 1;
        EXPECT_EQ(request.filters[i].patterns, kToolkitFilters[i].second) << "entry " << i + 1;
    }
}

// The real dialog as RunFileDialog sets it up, accepted without being shown.
TEST_F(FileSelectorTest, RealDialogShowsDescriptionsAndKeepsATypedNameAsTyped)
{
    dialogs_.AnswerCancel();
    RunFileSelector("Select the Pattern Filename", 2);
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    platform::ConfigureFileDialog(dialog, dialogs_.Requests().front());

    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(dialog.defaultSuffix(), "");
    ASSERT_EQ(dialog.nameFilters().size(), 13);
    EXPECT_EQ(dialog.nameFilters()[8], "Prob. Files (name.*) (*.*)");
    EXPECT_EQ(dialog.nameFilters()[11], "Sprdsheet Files (wk1,xls) (*.wk1 *.xls)");
    // The user reads the descriptions as written, not the patterns Qt filters by.
    const auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
    ASSERT_NE(types, nullptr);
    EXPECT_EQ(types->itemText(8), "Prob. Files (name.*)");
    EXPECT_EQ(types->currentText(), "Pattern Files (*.pat)");

    QTemporaryDir folder;
    const QString typed = folder.path() + "/Prices Of XYZ";
    dialog.selectFile(typed);
    static_cast<QDialog&>(dialog).accept();
    EXPECT_EQ(dialog.selectedFiles(), QStringList{typed});
}

TEST_F(FileSelectorTest, ChoiceIsKeptAsReturnedAndEnablesView)
{
    dialogs_.AnswerFileName("/home/Trader/Patterns/MixedCase.Pat");
    mnuSelectPatternFile_Click(state_, controls_);

    EXPECT_EQ(FileSelector().FileDialogResult, 0);
    EXPECT_EQ(FileSelector().FileDialogBusy, kFalse);
    EXPECT_EQ(state_.PatternFileName, "/home/Trader/Patterns/MixedCase.Pat");
    EXPECT_EQ(label4_->text(), "/home/Trader/Patterns/MixedCase.Pat");
    EXPECT_TRUE(mnuView_->isEnabled());
}

// Cancel, a dialog that returns no name, and a request while a dialog is open all leave
// the earlier choice, its label and the View command as they were.
TEST_F(FileSelectorTest, NothingChangesWithoutANewName)
{
    dialogs_.AnswerFileName("/data/first.pat");
    mnuSelectPatternFile_Click(state_, controls_);

    dialogs_.AnswerCancel();
    mnuSelectPatternFile_Click(state_, controls_);
    EXPECT_EQ(FileSelector().FileDialogResult, kFileDialogCancelled);

    dialogs_.AnswerFileName("");
    mnuSelectPatternFile_Click(state_, controls_);

    FileSelector().FileDialogBusy = kTrue;
    dialogs_.AnswerFileName("/data/second.pat");
    mnuSelectPatternFile_Click(state_, controls_);
    EXPECT_EQ(dialogs_.Requests().size(), 3u) << "a dialog was shown while one was open";
    EXPECT_EQ(FileSelector().FileDialogBusy, kTrue);

    EXPECT_EQ(state_.PatternFileName, "/data/first.pat");
    EXPECT_EQ(label4_->text(), "/data/first.pat");
    EXPECT_TRUE(mnuView_->isEnabled());
}

} // namespace
