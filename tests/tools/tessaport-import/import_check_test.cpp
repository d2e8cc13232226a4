// tessaport-import --check: the findings of the rows written go to standard error, and
// the pattern files are the same bytes as without it.

#include "import_test_support.h"

namespace {

TEST(ImportCheckCommand, ReportsTheRowsWrittenAndLeavesTheFileAlone)
{
    TestDatabase db;
    std::vector<qv2omg::PriceRow> rows = WeekdayRows(60);
    rows[20].close = rows[19].close * 2;  // 1998-03-30, back the next day
    rows[20].high = rows[20].close + 1;
    rows[30].close = qv2omg::MissingPrice();  // an invalid record: skipped unless kept, never a finding
    rows[40].volume = -3;  // 1998-04-27
    db.Add("XYZ", rows);

    struct Case {
        QStringList options;
        int volumeRow;  // the sheet row of record 40: one less when record 30 is skipped
    };
    for (const Case& run : {Case{{}, 41}, Case{{"--keep-invalid", "--format", "biff4"}, 42}}) {
        const QStringList common = QStringList{"--data", db.Dir()} + run.options;
        const std::string plain = db.Path("plain.pat"), checked = db.Path("checked.pat");
        ASSERT_EQ(RunImportCommand(common + QStringList{"-o", QString::fromStdString(plain), "XYZ"}).exitCode, 0);
        const CommandResult result =
            RunImportCommand(common + QStringList{"--check", "-o", QString::fromStdString(checked), "XYZ"});

        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(test_support::ReadText(checked), test_support::ReadText(plain));
        EXPECT_EQ(result.err.substr(0, result.err.find("Findings by kind")),
                  "tessaport-import: XYZ: row 22, 1998-03-30: bad-tick: the close jumps +100% and comes back the "
                  "next record (before=15.25 close=30.5 back=15.75)\n"
                  "tessaport-import: XYZ: row " + std::to_string(run.volumeRow) +
                      ", 1998-04-27: negative-volume: a count is below zero (volume=-3)\n")
            << run.options.join(' ').toStdString();
        EXPECT_NE(result.err.find("Findings by security:\n  XYZ             2\n2 findings in 1 security checked.\n"),
                  std::string::npos) << result.err;
    }
}

} // namespace
