// Big files in the viewer, each refused with a message or shown by a child process that
// opens, shows and paints it in 512 MB of address space. The reader's refusals of damaged
// files are tested in tests/workbook; here the viewer's own budget of cells and memory.

#include "hostile_files.h"

#include <QTemporaryDir>

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

TEST(ViewerHostileFiles, RefusedOrShownQuicklyInBoundedMemory)
{
    QTemporaryDir folder;
    const auto path = [&](const char* name) { return folder.filePath(QString::fromLatin1(name)).toStdString(); };
    hostile::ManyCellsXlsx(path("cells.xlsx"), 10u << 20);
    ASSERT_EQ(mkfifo(path("fifo").c_str(), 0600), 0);
    hostile::NumbersCsv(path("wide.csv"), 65536, 20, false);
    hostile::NumbersCsv(path("long.csv"), 8, 500000, true);

    // The file and the start of what the probe prints.
    const std::pair<const char*, const char*> cases[] = {
        {"cells.xlsx", "refused: Cannot show"},
        {"fifo", "refused: Cannot show"},
        {"wide.csv", "shown 65536 19"},
        {"long.csv", "shown 8 499999"},
    };
    for (const auto& [name, outcome] : cases) {
        const hostile::Measured run =
            hostile::Run(TESSAPORT_PROGRAM_DIR "/../tests/viewer_probe", {path(name)}, {"QT_QPA_PLATFORM=offscreen"});
        EXPECT_TRUE(run.out.starts_with(outcome)) << name << ": " << run.out << run.err;
        EXPECT_LT(run.peakKiB, 512 * 1024 * hostile::kMemoryScale) << name;
    }
}

} // namespace
