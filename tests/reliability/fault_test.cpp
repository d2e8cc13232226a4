// Fault injection without privileges: an output that runs out of room (RLIMIT_FSIZE) and a
// data file that shrinks while it is read. The error reported is the writer's, and
// the files that were there stay as they were.

#include "reliability_support.h"

#include "engine/import_run.h"
#include "import/library_source.h"
#include "omega/serial_date.h"
#include "qv2omg/database_writer.h"
#include "sheet/sheet_errors.h"
#include "sheet/sheet_reader.h"

#include <QDate>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

TEST(ImportOutOfRoom, ReportsTheWritersErrorAndKeepsTheEarlierFile)
{
    TempFolder folder;
    const std::string db = folder / "db", out = folder / "out.wk1";
    ASSERT_TRUE(qv2omg::CreateDatabase(db).IsOk());
    ASSERT_TRUE(qv2omg::AddSecurity(db, {"XYZ", "", 2, 0, true}, DailyRows(3000)).IsOk());
    ASSERT_EQ(RunChild({"tessaport-import", {"--data", db, "--to", "1990-03-01", "-o", out, "XYZ"}}).exitCode, 0);
    const std::string earlier = ReadText(out);
    const std::vector<std::string> before = folder.Entries();

    ChildRun run{"tessaport-import", {"-q", "--data", db, "-o", out, "XYZ"}};
    run.fileSizeLimit = 32 * 1024;
    const ChildOutcome outcome = RunChild(run);

    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.err, "tessaport-import: XYZ: cannot write " + out + ": " + SheetErrorText(kSheetDiskFull) + "\n");
    EXPECT_EQ(ReadText(out), earlier);
    EXPECT_EQ(folder.Entries(), before);  // no temporary file left
}

// Cut while the import reads it, to whole rows or inside one: the import ends at the last
// whole row the file still holds, and the pattern file is complete up to there.
TEST(ShrinkingDataFile, EndsTheImportCleanly)
{
    ASSERT_TRUE(omega::TheDataLibrary().Load(QStringLiteral(TESSAPORT_PROGRAM_DIR "/libQv2Omg32.so"))
                && omega::TheDataLibrary().Initialize() == 0);
    for (const uint64_t cutInsideRow : {0, 13}) {
        TempFolder folder;
        const fs::path db = folder / "db";
        ASSERT_TRUE(qv2omg::CreateDatabase(db).IsOk());
        ASSERT_TRUE(qv2omg::AddSecurity(db, {"XYZ", "", 2, 0, true}, DailyRows(6000)).IsOk());
        ImportRequest request;
        const LibrarySource source(omega::TheDataLibrary(), QString::fromStdString(db.string()));
        request.symbol = "XYZ";
        request.firstDay = static_cast<int32_t>(omega::SerialOfDate(QDate(1990, 1, 1)));
        request.lastDay = static_cast<int32_t>(omega::SerialOfDate(QDate(2020, 1, 1)));
        request.patternFile = folder / "out.wk1";
        ImportHooks hooks;
        hooks.progress = [&](int32_t recordsRead) {
            if (recordsRead == 100)
                fs::resize_file(db / "d000001.omd", qv2omg::kPreambleSize + 3000 * qv2omg::kPriceEntrySize + cutInsideRow);
        };

        const ImportOutcome outcome = RunImport(source, request, hooks);

        EXPECT_EQ(outcome.result, 0);
        EXPECT_EQ(outcome.recordsRead, 3000);
        EXPECT_EQ(outcome.rowsWritten, 3000);
        const SheetReadResult sheet = ReadSheetFile(request.patternFile);
        ASSERT_TRUE(sheet.ok()) << sheet.error;
        ASSERT_FALSE(sheet.sheet.cells.empty());
        EXPECT_EQ(sheet.sheet.cells.back().row, 3000);
    }
}

} // namespace
