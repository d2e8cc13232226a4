// A long table (Date,Symbol,...) exported by tessaport-import from clean random walks: the
// window shows one security at a time, and Check data finds nothing in any of them, where
// the table taken as one history jumps back in time and price at every symbol.

#include "clean_series.h"
#include "widgets/message_box.h"
#include "price_chart.h"
#include "sheet_check.h"
#include "sheet_loader.h"
#include "viewer_window.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QTableView>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "pattern_file_writer.h"
#include "qt_process.h"

namespace {

QString Price(float value) { return QString::number(static_cast<double>(value), 'g', 9); }

TEST(ViewerLongTable, OneSecurityAtATimeAndNoFindingsAtSymbolBoundaries)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString db = folder.filePath("db");
    RunProgram("omegadb", {"create", db});
    const QStringList symbols = {"AAA", "BBB", "CCC"};
    constexpr int kBars = 250;
    for (int s = 0; s < symbols.size(); ++s) {
        // Later securities start earlier, at other price levels: a jump back at each boundary.
        const auto bars = quality_test::RandomWalk(quality::Period::Daily, kBars, quality_test::TypicalSigma(quality::Period::Daily),
                                                   static_cast<uint32_t>(7 + s), 1990 - 5 * s);
        QByteArray text = "Date,Open,High,Low,Close,Volume\n";
        for (const auto& bar : bars)
            text += QStringLiteral("%1-%2-%3,%4,%5,%6,%7,%8\n")
                        .arg(bar.date / 10000, 4, 10, QChar(u'0'))
                        .arg(bar.date / 100 % 100, 2, 10, QChar(u'0'))
                        .arg(bar.date % 100, 2, 10, QChar(u'0'))
                        .arg(Price(bar.open), Price(bar.high), Price(bar.low), Price(bar.close))
                        .arg(bar.volume)
                        .toUtf8();
        const QString csv = folder.filePath(symbols[s] + ".in.csv");
        WriteBytes(csv, text);
        RunProgram("omegadb", {"add", db, symbols[s], "--description", symbols[s], "--category", "2", "--period", "0", csv});
    }

    for (const char* format : {"csv", "xlsx"}) {
        SCOPED_TRACE(format);
        const QString path = folder.filePath(QStringLiteral("long.") + format);
        RunProgram("tessaport-import", {"--data", db, "--merge", "long", "--format", format, "-o", path, "--all"});

        // The whole table as one history: out of order and jumps at the boundaries.
        const ViewerLoadResult loaded = LoadViewerSheet(path);
        ASSERT_TRUE(loaded.sheet) << loaded.error.toStdString();
        EXPECT_FALSE(CheckSheet(*loaded.sheet).findings.empty());

        widgets::RecordedMessages messages;
        ViewerWindow window;
        ASSERT_TRUE(window.OpenFile(path));
        auto* securities = window.findChild<QComboBox*>("securityCombo");
        auto* table = window.findChild<QTableView*>("tblCells");
        auto* chart = window.findChild<PriceChart*>("chart");
        ASSERT_EQ(securities->count(), 3);
        EXPECT_FALSE(securities->isHidden());
        for (const QString& symbol : symbols) {
            SCOPED_TRACE(symbol.toStdString());
            window.SetSecurity(symbol);
            EXPECT_EQ(window.Security(), symbol);
            ASSERT_EQ(table->model()->rowCount(), kBars);
            // Every row shown is the security's, and so is every point charted.
            const int symbolColumn = window.Sheet()->SymbolColumn();
            for (int row = 0; row < kBars; row += 37)
                EXPECT_EQ(table->model()->index(row, symbolColumn).data().toString(), symbol);
            EXPECT_EQ(chart->Series().size(), static_cast<size_t>(kBars));
            EXPECT_EQ(chart->Series().title, "Close");
            window.findChild<QAction*>("checkDataAction")->trigger();
            EXPECT_EQ(window.findChild<QLabel*>("findingsLabel")->text(),
                      QStringLiteral("No findings in %1 rows, checked as daily data.").arg(kBars));
        }
        EXPECT_TRUE(messages.All().empty());
    }
}

// The Help menu: what the viewer opens, what the checks mean, About.
TEST(ViewerHelp, MenuEntriesSayWhatTheViewerOpensAndChecks)
{
    widgets::RecordedMessages messages;
    ViewerWindow window;
    const std::pair<const char*, const char*> entries[] = {
        {"helpFilesAction", "xlsx workbooks and CSV files"}, {"helpChecksAction", "out-of-order: a date earlier"},
        {"aboutAction", "Tessaport " TESSAPORT_TEST_VERSION}};
    for (const auto& [name, text] : entries) {
        window.findChild<QAction*>(name)->trigger();
        ASSERT_FALSE(messages.All().empty()) << name;
        EXPECT_TRUE(messages.All().back().text.contains(QLatin1String(text))) << name;
    }
}

} // namespace
