// Import > Export Listed Securities on real controls and a real dialog, off-screen: when the
// entry is enabled, the same bytes as tessaport-import for the same choices, the state it
// returns to, interruption.

#include "import_test_support.h"
#include "case_name.h"
#include "qt_printers.h"

#include "import/begin_import.h"
#include "import/date_text.h"
#include "import/export_listed.h"
#include "main_window/progress_window.h"
#include "widgets/busy_pointer.h"
#include "widgets/message_box.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMainWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStringListModel>
#include <QTimer>

#include <fstream>
#include <utility>

namespace {

class ExportListedTest : public testing::Test {
public:
    static void SetUpTestSuite()
    {
        // The xlsx files of the two runs carry the same creation time.
        qputenv("SOURCE_DATE_EPOCH", "1700000000");
    }
    ExportListedTest()
    {
        ConnectInterrupt(c_, state_);
        c_.securityList()->setModel(&list_);
        Library();
        auto a = WeekdayRows(40), b = WeekdayRows(60), z = WeekdayRows(10);
        a[3].high = qv2omg::MissingPrice();
        b.erase(b.begin(), b.begin() + 12);  // starts later
        b.erase(b.begin() + 5, b.begin() + 9);  // and has a gap
        db_.Add("AAA", a);
        db_.Add("BBB", b);
        db_.Add("ZZZ", z);  // not listed: the mask leaves it out
        state_.tradeStationDir = state_.currentDataDir = db_.Dir();
        state_.mode = ImportMode::SecurityList;
        // The main window's dates never reach an export: its dialog has dates of its own.
        c_.firstDateEdit()->setText("3/10/1998");
        c_.lastDateEdit()->setText("3/12/1998");
        AttachExportListed(state_, c_);
        list_.setStringList({"AAA             \tFirst", "BBB             \tSecond"});
    }
    ~ExportListedTest() override
    {
        SetExportDialogRunner({});
        ExportListedDialog::ForgetChoices();
    }

    QString Out(const std::string& name) const { return QString::fromStdString(db_.Path(name)); }

    // Answers the dialog with a shape, a field choice and an output.
    void Choose(ExportListedDialog::Shape shape, const QString& output, std::vector<int> fieldsOff = {},
                bool common = false, int fileType = 0)
    {
        SetExportDialogRunner([=, this](ExportListedDialog& dialog) {
            dialog.shapeButtons[shape]->setChecked(true);
            for (int field : fieldsOff)
                dialog.fieldChecks[static_cast<size_t>(field)]->setChecked(false);
            dialog.commonDatesCheck->setChecked(common);
            dialog.fileTypeCombo->setCurrentIndex(fileType);
            dialog.outputEdit->setText(output);
            dialog.firstDateEdit->setText(firstDate_);
            dialog.lastDateEdit->setText(lastDate_);
            EXPECT_TRUE(dialog.okButton->isEnabled());
            return true;
        });
    }

    void ExpectIdle() const
    {
        EXPECT_TRUE(c_.typingTimer()->isActive() && c_.importOptionsFrame()->isEnabled() && c_.exportListedAction()->isEnabled());
        EXPECT_FALSE(c_.interruptImportAction()->isEnabled() || widgets::IsBusyPointer() || ProgressWindow()->isVisible());
        EXPECT_FALSE(state_.interruptRequested);
    }

    TestDatabase db_;
    QMainWindow window_;
    QStringListModel list_;
    MainWindowControls c_{window_};
    ProgramState state_;
    widgets::RecordedMessages messages_;
    QString firstDate_;
    QString lastDate_;
};

// Off while an import runs: BeginImportTest.InterruptKeepsTheRowsSoFar.
TEST_F(ExportListedTest, EnabledOnlyInListModeWithSecuritiesListed)
{
    EXPECT_TRUE(c_.exportListedAction()->isEnabled());
    list_.setStringList({});
    EXPECT_FALSE(c_.exportListedAction()->isEnabled());
    list_.setStringList({"AAA             \tFirst"});
    EXPECT_TRUE(c_.exportListedAction()->isEnabled());
    state_.mode = ImportMode::SingleSecurity;
    c_.modeAction(ImportMode::SingleSecurity)->trigger();
    EXPECT_FALSE(c_.exportListedAction()->isEnabled());
}

struct ExportCase : NamedCase<ExportCase> {
    ExportListedDialog::Shape shape;
    const char* output;
    std::vector<int> fieldsOff;
    bool common;
    int rows;
    QStringList arguments;  // of tessaport-import, besides --data, --keep-invalid and the output
};

class ExportListedBytesTest : public ExportListedTest, public testing::WithParamInterface<ExportCase> {};

TEST_P(ExportListedBytesTest, WritesWhatTheCommandWrites)
{
    const ExportCase& test = GetParam();
    c_.skipInvalidCheck()->setChecked(false);
    Choose(test.shape, Out(test.output), test.fieldsOff, test.common);
    ExportListedSecurities(state_, c_);
    // The one message of a run that ended well: its figures, then the time taken.
    ASSERT_EQ(messages_.All().size(), 1u);
    const QString text = messages_.All()[0].text;
    EXPECT_EQ(text.left(text.lastIndexOf(u'\n') + 1), "Files written: 1, " + Out(test.output) + "\nRows written: "
                                                         + QString::number(test.rows) + "\nSecurities left out: 0\n");
    EXPECT_TRUE(text.contains(QRegularExpression("\nTime taken: \\d+\\.\\d s$"))) << text.toStdString();
    ExpectIdle();

    const std::string command = std::string("command-") + test.output;
    QStringList arguments = test.arguments;
    arguments << "--data" << db_.Dir() << "--keep-invalid" << "-o" << Out(command) << "AAA" << "BBB";
    ASSERT_EQ(RunImportCommand(arguments).exitCode, 0);
    const std::string bytes = test_support::ReadText(db_.Path(test.output));
    EXPECT_GT(bytes.size(), 200u);
    EXPECT_EQ(bytes, test_support::ReadText(db_.Path(command)));
}

// AAA has 40 weekdays from 2 March, one of them invalid; BBB 44 from the 18th, with a gap of 4.
INSTANTIATE_TEST_SUITE_P(Shapes, ExportListedBytesTest, testing::Values(
    ExportCase{"WideCommonCsv", ExportListedDialog::Wide, "wide.CSV", {0, 4}, true, 24,
               {"--merge", "wide", "--common-dates", "--fields", "high,low,close", "--format", "csv"}},
    ExportCase{"LongXlsx", ExportListedDialog::Long, "long.xlsx", {1, 2}, false, 84,
               {"--merge", "long", "--fields", "open,close,volume", "--format", "xlsx"}}),
    CaseName());

// An export interrupted with the progress window's button leaves the files finished before
// it whole, and of the file in hand nothing: an earlier file of that name stays as it was.
// The progress window stays until the run has ended.
TEST_F(ExportListedTest, InterruptKeepsFinishedFilesAndAbandonsTheOneInHand)
{
    QDir().mkpath(Out("each"));
    QFile earlier(Out("each") + "/BBB.pat");
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
    earlier.write("earlier");
    earlier.close();
    Choose(ExportListedDialog::PerSecurity, Out("each"));
    // The run is stopped while the second security is read.
    int reads = 0;
    SetRunProgressObserver([&](const RunProgress& progress) {
        if (!progress.Text().startsWith("2 of 2: BBB") || ++reads != 10)
            return;
        progress.InterruptButton()->click();
        EXPECT_TRUE(progress.Window()->isVisible());
    });
    ExportListedSecurities(state_, c_);
    SetRunProgressObserver({});
    ASSERT_EQ(messages_.All().size(), 2u);
    EXPECT_EQ(messages_.All()[0].text, "One of the files, BBB.pat, exists already in " + Out("each") + ". Replace it?");
    EXPECT_TRUE(messages_.All()[1].text.startsWith(kImportInterruptedText + QString("\n\nFiles written: 1, in ")
                                                   + Out("each") + "\nRows written: 39\n"))
        << messages_.All()[1].text.toStdString();
    ExpectIdle();
    ASSERT_EQ(RunImportCommand({"--data", db_.Dir(), "-o", Out("AAA.pat"), "AAA"}).exitCode, 0);
    EXPECT_EQ(test_support::ReadText(db_.Path("each/AAA.pat")), test_support::ReadText(db_.Path("AAA.pat")));
    EXPECT_EQ(QDir(Out("each")).entryList(QDir::Files | QDir::Hidden), QStringList({"AAA.pat", "BBB.pat"}));
    EXPECT_EQ(test_support::ReadText(db_.Path("each/BBB.pat")), "earlier");
}

TEST_F(ExportListedTest, InterruptedMergeWritesNothing)
{
    Choose(ExportListedDialog::Long, Out("long.csv"));
    QTimer::singleShot(0, c_.interruptImportAction(), &QAction::trigger);
    ExportListedSecurities(state_, c_);
    ASSERT_EQ(messages_.All().size(), 1u);
    EXPECT_TRUE(messages_.All()[0].text.startsWith(kImportInterruptedText + QString("\n\nFiles written: 0, ")));
    ExpectIdle();
    EXPECT_FALSE(QFile::exists(Out("long.csv")));
}

// A security with no data in the dates is left out, named with its reason; the others are
// written as the command writes them.
TEST_F(ExportListedTest, TheWindowAndTheCommandAgree)
{
    const QString leftOut = "AAA: no data in the dates asked for (it holds 1998-03-02 to 1998-04-24)";
    firstDate_ = "1998-04-27";
    Choose(ExportListedDialog::PerSecurity, Out("some"), {}, false, 2);
    ExportListedSecurities(state_, c_);
    ASSERT_EQ(RunImportCommand({"--data", db_.Dir(), "--format", "csv", "--from", "1998-04-27", "--out-dir",
                                Out("cmd-some"), "AAA", "BBB"}).exitCode, 1);
    ASSERT_EQ(messages_.All().size(), 1u);
    EXPECT_TRUE(messages_.All()[0].text.contains("Securities left out: 1\n  " + leftOut + "\n"));
    EXPECT_FALSE(QFileInfo::exists(Out("some/AAA.csv")));
    EXPECT_EQ(test_support::ReadText(db_.Path("some/BBB.csv")), test_support::ReadText(db_.Path("cmd-some/BBB.csv")));
}

// OK is off while a choice cannot be run, and the line beside the choice says why.
struct ProblemCase : NamedCase<ProblemCase> {
    ExportListedDialog::Shape shape;
    const char* output;  // FOLDER stands for a folder that exists, FILE for a file
    const char* firstDate;
    bool noFields;
    const char* fieldsProblem;
    const char* datesProblem;  // DATES stands for the forms read
    const char* outputProblem;
};

class ExportListedProblemTest : public ExportListedTest, public testing::WithParamInterface<ProblemCase> {};

TEST_P(ExportListedProblemTest, OkIsOffAndTheReasonIsShownBesideTheChoice)
{
    const ProblemCase& test = GetParam();
    ASSERT_TRUE(QDir().mkpath(Out("folder")));
    std::ofstream(db_.Path("file.pat")) << "earlier";
    const auto fill = [this](QString text) {
        return text.replace("FOLDER", Out("folder")).replace("FILE", Out("file.pat")).replace("DATES", DateFormsText());
    };
    ExportListedDialog dialog(false);
    dialog.shapeButtons[test.shape]->setChecked(true);
    dialog.outputEdit->setText(fill(test.output));
    dialog.firstDateEdit->setText(test.firstDate);
    dialog.lastDateEdit->setText("2020-12-31");
    for (QCheckBox* field : dialog.fieldChecks)
        field->setChecked(!test.noFields);
    for (const auto& [line, expected] : {std::pair{dialog.fieldsProblemLabel, test.fieldsProblem},
                                         std::pair{dialog.datesProblemLabel, test.datesProblem},
                                         std::pair{dialog.outputProblemLabel, test.outputProblem}}) {
        EXPECT_EQ(line->text(), fill(expected)) << line->objectName().toStdString();
        EXPECT_EQ(line->isVisibleTo(&dialog), *expected != 0) << line->objectName().toStdString();
    }
    const bool ok = !*test.fieldsProblem && !*test.datesProblem && !*test.outputProblem;
    EXPECT_EQ(dialog.okButton->isEnabled(), ok);
}

INSTANTIATE_TEST_SUITE_P(Choices, ExportListedProblemTest, testing::Values(
    ProblemCase{"AllGood", ExportListedDialog::Wide, "FOLDER/wide.pat", "1998-03-02", false, "", "", ""},
    ProblemCase{"NoDate", ExportListedDialog::Wide, "FOLDER/wide.pat", "31/12/2020", false, "",
                "The first date \"31/12/2020\" is not a date. Dates read: DATES.", ""},
    ProblemCase{"FirstAfterLast", ExportListedDialog::Long, "FOLDER/long.csv", "2021-01-01", false, "",
                "The first date is after the last date.", ""},
    ProblemCase{"NoFields", ExportListedDialog::Wide, "FOLDER/wide.pat", "", true, "Choose at least one field to write.",
                "", ""},
    ProblemCase{"NoOutput", ExportListedDialog::PerSecurity, "", "", true, "", "", "Name the folder the files go into."},
    ProblemCase{"SheetIntoAFolder", ExportListedDialog::Wide, "FOLDER", "", false, "", "",
                "FOLDER is a folder: a sheet or table is written to a file."},
    ProblemCase{"FilesIntoAFile", ExportListedDialog::PerSecurity, "FILE", "", false, "", "",
                "FILE is a file: the files one per security go into a folder."}),
    CaseName());

// Files that exist are replaced only when the user agrees, asked once for the whole run.
TEST_F(ExportListedTest, AsksOnceBeforeReplacingFiles)
{
    ASSERT_TRUE(QDir().mkpath(Out("each")));
    for (const char* name : {"each/AAA.pat", "each/BBB.pat", "wide.csv"})
        std::ofstream(db_.Path(name)) << "earlier";
    for (const bool yes : {false, true}) {
        messages_.Clear();
        messages_.Answer(yes);
        messages_.Answer(yes);
        Choose(ExportListedDialog::PerSecurity, Out("each"));
        ExportListedSecurities(state_, c_);
        Choose(ExportListedDialog::Wide, Out("wide.csv"));
        ExportListedSecurities(state_, c_);
        ASSERT_EQ(messages_.All().size(), yes ? 4u : 2u);
        EXPECT_EQ(messages_.All()[0].text, "2 of the 2 files exist already in " + Out("each") + ". Replace them all?");
        EXPECT_EQ(messages_.All()[0].icon, widgets::MessageIcon::Question);
        EXPECT_EQ(messages_.All()[yes ? 2 : 1].text, Out("wide.csv") + " exists already. Replace it?");
        for (const char* name : {"each/AAA.pat", "each/BBB.pat", "wide.csv"})
            EXPECT_EQ(test_support::ReadText(db_.Path(name)) == "earlier", !yes) << name;
        ExpectIdle();
    }
}

} // namespace
