// Import > Begin Import on real controls, off-screen: the checks and their messages, the
// importing state, interruption, and the same bytes as tessaport-import.

#include "import_test_support.h"
#include "case_name.h"

#include "import/begin_import.h"
#include "main_window/progress_window.h"
#include "main_window/security_info.h"
#include "main_window/security_search.h"
#include "widgets/busy_pointer.h"
#include "widgets/message_box.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMainWindow>
#include <QStringListModel>
#include <QTimer>

#include <fstream>
#include <functional>

namespace {

using widgets::MessageIcon;

const QString kDateNotSet = " was not set correctly. You should set dates in compliance with date format specififed in "
                            "International Section of your Microsoft Windows Control Panel.";
const QString kLastBeforeFirst = "Unable to import: Last Date must be set to a value which is later than the First "
                                 "Date in Import Options window.";
const QString kWriteFailed = "An error has occured while writing the destination file ";

MATCHER_P2(IsMessage, text, icon, "")
{
    return arg.title == "Tessaport" && arg.text == text && arg.icon == icon;
}

class BeginImportTest : public testing::Test {
public:
    static void SetUpTestSuite()
    {
        // The xlsx files of the window and of the command carry the same creation time.
        qputenv("SOURCE_DATE_EPOCH", "1700000000");
    }
    BeginImportTest()
    {
        ConnectInterrupt(c_, state_);
        c_.securityList()->setModel(new QStringListModel({"OTHER           \tOther", "XYZ             \tShown"}, &window_));
        Library();
        rows_[2].close = qv2omg::MissingPrice();
        db_.Add("XYZ", rows_);
        Use(db_);
    }

    // A security of the database, shown as a search (single mode) or a click on the list (list mode)
    // shows it.
    void Use(const TestDatabase& db, ImportMode mode = ImportMode::SingleSecurity, const QString& symbol = "XYZ")
    {
        state_.tradeStationDir = state_.currentDataDir = db.Dir();
        state_.patternFileName = QString::fromStdString(db.Path("out.pat"));
        state_.mode = mode;
        c_.symbolEdit()->setText(symbol);
        c_.securityList()->setCurrentIndex(c_.securityList()->model()->index(1, 0));
        ShowSecurityInfo(state_, c_, symbol);
        c_.firstDateEdit()->setText(ShortDate(state_.dataFirstDate));
    }

    void ExpectIdle(bool beginEnabled = true) const
    {
        EXPECT_EQ(c_.beginImportAction()->isEnabled(), beginEnabled);
        EXPECT_TRUE(c_.typingTimer()->isActive() && c_.importOptionsFrame()->isEnabled());
        EXPECT_FALSE(c_.interruptImportAction()->isEnabled() || widgets::IsBusyPointer() || ProgressWindow()->isVisible());
        EXPECT_FALSE(state_.interruptRequested);
    }

    std::vector<qv2omg::PriceRow> rows_ = WeekdayRows(30);
    TestDatabase db_;
    QMainWindow window_;
    MainWindowControls c_{window_};
    ProgramState state_;
    widgets::RecordedMessages messages_;
};

// Dates around the data narrow to it; the file is byte for byte what the command writes
// with the same options; a pattern file named .XLSX is the file --format xlsx writes. The
// status line says what was done.
TEST_F(BeginImportTest, ImportsLikeTheCommandAndReturnsToIdle)
{
    Use(db_, ImportMode::SecurityList);
    state_.patternFileName = QString::fromStdString(db_.Path("out.XLSX"));
    c_.firstDateEdit()->setText(ShortDate(state_.dataFirstDate - 100));
    c_.lastDateEdit()->setText(ShortDate(state_.dataLastDate + 100));
    c_.openInterestCheck()->setChecked(true);
    c_.skipInvalidCheck()->setChecked(false);

    BeginImport(state_, c_);

    EXPECT_THAT(messages_.All(), testing::IsEmpty());
    ExpectIdle();
    EXPECT_TRUE(c_.statusLine()->text().startsWith("Imported 30 rows of XYZ into " + state_.patternFileName + " in "))
        << c_.statusLine()->text().toStdString();
    const QString command = QString::fromStdString(db_.Path("command.xlsx"));
    EXPECT_EQ(RunImportCommand({"--data", db_.Dir(), "-o", command, "--open-interest", "--keep-invalid", "--format",
                                "xlsx", "XYZ"})
                  .exitCode,
              0);
    EXPECT_EQ(test_support::ReadText(db_.Path("out.XLSX")), test_support::ReadText(command.toStdString()));
}

TEST_F(BeginImportTest, EqualFirstAndLastDayImportOneRow)
{
    c_.firstDateEdit()->setText(ShortDate(state_.dataFirstDate + 1));
    c_.lastDateEdit()->setText(ShortDate(state_.dataFirstDate + 1));
    BeginImport(state_, c_);
    EXPECT_THAT(messages_.All(), testing::IsEmpty());
    EXPECT_EQ(ReadGrid(db_.Path("out.pat")), ExpectedGrid("XYZ", {rows_[1]}, false, true));
    EXPECT_EQ(CurrentProgress().BarValue, 100);  // an estimate of 0 records is done at once
}

struct MessageCase : NamedCase<MessageCase> {
    std::function<void(BeginImportTest&)> change;
    QString text;  // FILE stands for the pattern file's name
    MessageIcon icon;
};

class BeginImportMessageTest : public BeginImportTest, public testing::WithParamInterface<MessageCase> {};

// A check that fails, or a pattern file that cannot be written: one message, the window
// idle again, and an earlier file at the path as it was, with no temporary file beside it.
TEST_P(BeginImportMessageTest, ShowsTheMessageAndReturnsToIdle)
{
    std::ofstream(db_.Path("out.pat")) << "earlier";
    window_.show();
    c_.skipInvalidCheck()->setFocus();
    GetParam().change(*this);

    BeginImport(state_, c_);

    const QString text = QString(GetParam().text).replace("FILE", state_.patternFileName);
    EXPECT_THAT(messages_.All(), testing::ElementsAre(IsMessage(text, GetParam().icon)));
    const bool unknown = text == kChooseSecurityText;  // which also disables Begin Import and goes to the symbol
    ExpectIdle(!unknown);
    EXPECT_EQ(window_.focusWidget() == c_.symbolEdit(), unknown);
    EXPECT_EQ(test_support::ReadText(db_.Path("out.pat")), "earlier");
    EXPECT_EQ(QDir(QString::fromStdString(db_.Path(""))).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

void SetDates(BeginImportTest& test, int32_t first, int32_t last)
{
    test.c_.firstDateEdit()->setText(ShortDate(test.state_.dataLastDate + first));
    test.c_.lastDateEdit()->setText(ShortDate(test.state_.dataLastDate + last));
}

INSTANTIATE_TEST_SUITE_P(Checks, BeginImportMessageTest, testing::Values(
    MessageCase{"UnknownSymbol", [](auto& test) { test.c_.symbolEdit()->setText("NOPE"); }, kChooseSecurityText,
                MessageIcon::Information},
    MessageCase{"DataUnavailable", [](auto& test) { test.db_.RemoveDataFile("XYZ"); }, "Data currently unavailable. Check "
                "that Omega CD-ROM disk is in drive, and the operating system has normal access to it.",
                MessageIcon::Critical},
    MessageCase{"BothDatesNoDates",
                [](auto& test) { test.c_.firstDateEdit()->setText("x"); test.c_.lastDateEdit()->setText("1998-02-30"); },
                "The Last Date" + kDateNotSet, MessageIcon::Critical},
    MessageCase{"FirstDateNoDate", [](auto& test) { test.c_.firstDateEdit()->clear(); }, "The First Date" + kDateNotSet,
                MessageIcon::Critical},
    MessageCase{"FirstAfterLast", [](auto& test) { SetDates(test, 0, -1); }, kLastBeforeFirst, MessageIcon::Critical},
    MessageCase{"DatesAfterTheData", [](auto& test) { SetDates(test, 10, 20); }, kLastBeforeFirst,
                MessageIcon::Critical},
    MessageCase{"MissingFolder",
                [](auto& test) { test.state_.patternFileName = QString::fromStdString(test.db_.Path("no/out.pat")); },
                kWriteFailed + "FILE: Path not found.", MessageIcon::Critical},
    MessageCase{"NoPatternFile", [](auto& test) { test.state_.patternFileName.clear(); },
                kWriteFailed + ": Bad file name or number.", MessageIcon::Critical},
    // One record more than the sheet has rows below its header.
    MessageCase{"PastTheLastRow",
                [](auto& test) {
                    test.db_.Add("HUGE", WeekdayRows(65536));
                    test.Use(test.db_, ImportMode::SingleSecurity, "HUGE");
                },
                kWriteFailed + "FILE: Overflow: the row does not fit the file format.", MessageIcon::Critical}),
    CaseName());

// Interrupt Import while records are read: the message, then a closed file holding the
// header and the rows so far. A second Begin Import meanwhile does nothing, and Export
// Listed is off (in list mode, where it is on otherwise).
TEST_F(BeginImportTest, InterruptKeepsTheRowsSoFar)
{
    TestDatabase db;
    const std::vector<qv2omg::PriceRow> rows = WeekdayRows(300);
    db.Add("XYZ", rows);
    Use(db, ImportMode::SecurityList);
    bool stillImporting = false;
    int ticks = 0;
    QTimer clicker;
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        if (++ticks != 5)
            return;
        BeginImport(state_, c_);
        stillImporting = c_.interruptImportAction()->isEnabled() && !c_.beginImportAction()->isEnabled() && !c_.exportListedAction()->isEnabled();
        c_.interruptImportAction()->trigger();
        stillImporting = stillImporting && ProgressWindow()->isVisible();
    });
    clicker.start(0);

    BeginImport(state_, c_);

    EXPECT_THAT(messages_.All(), testing::ElementsAre(IsMessage(kImportInterruptedText, MessageIcon::Information)));
    EXPECT_TRUE(stillImporting);
    ExpectIdle();
    EXPECT_TRUE(c_.exportListedAction()->isEnabled());
    const Grid grid = ReadGrid(db.Path("out.pat"));
    ASSERT_TRUE(grid.size() >= 2 && grid.size() < rows.size());
    const std::vector<qv2omg::PriceRow> written(rows.begin(), rows.begin() + static_cast<long>(grid.size() - 1));
    EXPECT_EQ(grid, ExpectedGrid("XYZ", written, false, true));
}

} // namespace
