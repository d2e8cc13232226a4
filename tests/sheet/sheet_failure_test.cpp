// Failures: the codes callers see, and that a failed file never replaces an earlier one.

#include "sheet_test_support.h"

#include <csignal>
#include <optional>
#include <sys/stat.h>
#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/resource.h>
#endif

namespace {

const Bytes kEarlier = Hex("45 41 52 4C 49 45 52");

class SheetFailureTest : public SheetTest {
protected:
    SheetFailureTest() { WriteBytes(earlier_, kEarlier); }
    void ExpectEarlierKept()
    {
        EXPECT_EQ(ReadBytes(earlier_), kEarlier);
        EXPECT_EQ(FolderEntries(), std::vector<std::string>{"earlier.wk1"}) << "a temporary file is left";
    }

    const std::filesystem::path earlier_ = folder_ / "earlier.wk1";
};

TEST_F(SheetFailureTest, NotOpenOrOpenTwice)
{
    SheetFile file;
    ASSERT_EQ(file.Open(earlier_.string(), {}), 0);
    EXPECT_EQ(file.Open((folder_ / "twice.wk1").string(), {}), kSheetFileAlreadyOpen);
    EXPECT_EQ(file.Close(), 0);
    EXPECT_EQ(file.Close(), kSheetBadFileName);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"earlier.wk1"});
}

struct BadDestinationCase {
    const char* name;
    std::string path;  // under the test folder, which holds earlier.wk1 and the folder sub
    int16_t expected;
};

const BadDestinationCase kBadDestinations[] = {
    {"MissingFolder", "missing/out.wk1", kSheetPathNotFound},
    {"UnderARegularFile", "earlier.wk1/out.wk1", kSheetPathNotFound},
    {"AFolder", "sub", kSheetPathFileAccessError},
    {"TrailingSlash", "new/", kSheetBadFileName},
    {"NameTooLong", std::string(300, 'n'), kSheetBadFileName},
};

class SheetBadDestinationTest : public SheetFailureTest,
                                public testing::WithParamInterface<BadDestinationCase> {};

TEST_P(SheetBadDestinationTest, OpenFailsAndTouchesNothing)
{
    std::filesystem::create_directory(folder_ / "sub");
    SheetFile file;
    EXPECT_EQ(file.Open((folder_ / GetParam().path).string(), {}), GetParam().expected);
    EXPECT_EQ(file.Write(Blank(0, 1)), kSheetBadFileName) << "the file must not be open";
    std::filesystem::remove(folder_ / "sub");
    ExpectEarlierKept();
}

INSTANTIATE_TEST_SUITE_P(Paths, SheetBadDestinationTest, testing::ValuesIn(kBadDestinations), CaseName());

TEST_F(SheetFailureTest, DevicesAreWrittenNotReplaced)
{
    SKIP_ON_WINDOWS("no /dev/full or /dev/null");
    SheetFile file;
    EXPECT_EQ(file.Open("", {}), kSheetBadFileName);
    EXPECT_EQ(file.Open("/dev/full", {}), kSheetDiskFull);  // the header goes out at open
    EXPECT_EQ(SheetErrorText(kSheetDiskFull), "Disk full");
    EXPECT_EQ(WriteSheet("/dev/null", {Label(0, 1, "x")}), 0);
    for (const char* device : {"/dev/full", "/dev/null"}) {
        struct stat info {};
        EXPECT_TRUE(::stat(device, &info) == 0 && S_ISCHR(info.st_mode)) << device;
    }
}

TEST_F(SheetFailureTest, LinkedDestinationReplacesTheTargetNotTheLink)
{
    SKIP_ON_WINDOWS("symbolic links need a privilege there; the writer replaces what the path names");
    const auto link = folder_ / "link.wk1";
    std::filesystem::create_symlink(earlier_.filename(), link);
    ASSERT_EQ(WriteSheet(link, {Label(0, 1, "x")}), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(std::filesystem::symlink_status(link)));
    EXPECT_NE(ReadBytes(earlier_), kEarlier) << "the target was not rewritten";
    EXPECT_EQ(ReadBytes(link), ReadBytes(earlier_));
}

#if !defined(_WIN32)
// The file size limit makes writes fail with EFBIG, as a full disk does with ENOSPC.
struct FileSizeLimit {
    explicit FileSizeLimit(rlim_t bytes) : handler(std::signal(SIGXFSZ, SIG_IGN))
    {
        ::getrlimit(RLIMIT_FSIZE, &saved);
        const rlimit limit{bytes, saved.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, handler);
    }
    rlimit saved{};
    void (*handler)(int);
};
#endif

// While writing (the limit is hit by the cells) or at close (the cells are still in the buffer).
TEST_F(SheetFailureTest, DiskFullKeepsTheEarlierFile)
{
#if defined(_WIN32)
    GTEST_SKIP() << "POSIX only: a full disk is made with the file size limit (setrlimit)";
#else
    for (const bool atClose : {false, true}) {
        SCOPED_TRACE(atClose ? "at close" : "while writing");
        SheetFile file;
        ASSERT_EQ(file.Open(earlier_.string(), {}), 0);
        int16_t result = 0;
        std::optional<FileSizeLimit> limit;
        if (!atClose)
            limit.emplace(200 * 1024);
        for (int32_t row = 0; row < (atClose ? 100 : 60000) && result == 0; ++row)
            result = WriteCells(file, {Number(row, 1, row)});
        if (atClose) {
            ASSERT_EQ(result, 0);
            limit.emplace(1000);
            result = file.Close();
        }
        limit.reset();
        EXPECT_EQ(result, kSheetDiskFull);
        EXPECT_EQ(file.Close(), kSheetBadFileName) << "a failed write or close abandons the file";
        ExpectEarlierKept();
    }
#endif
}

// A cell its record cannot hold is refused and the file abandoned; the longest that fits is written.
struct CellLimitCase {
    const char* name;
    int16_t fileType;
    SheetCell cell;
    int16_t expected;
};

const CellLimitCase kCellLimits[] = {
    {"Wk1Row65536", kSheetWk1, Blank(65536, 1), kSheetOverflow},
    {"Wk1NegativeRow", kSheetWk1, Blank(-1, 1), kSheetOverflow},
    {"Biff2Row65535", kSheetBiff2, Blank(65535, 1), kSheetOverflow},
    {"Biff4Row65534", kSheetBiff4, Blank(65534, 1), 0},
    {"ColumnZero", kSheetWk1, Blank(0, 0), kSheetInvalidArgument},
    {"Wk1Label65529", kSheetWk1, Label(0, 1, std::string(65529, 'w')), kSheetInvalidArgument},
    {"Wk1Label65528", kSheetWk1, Label(0, 1, std::string(65528, 'w')), 0},
    {"Wk1LabelWithNul", kSheetWk1, Label(0, 1, std::string("a\0b", 3)), kSheetInvalidArgument},
    {"Biff2Label256", kSheetBiff2, Label(0, 1, std::string(256, 'b')), kSheetInvalidArgument},
    {"Biff2Label255", kSheetBiff2, Label(0, 1, std::string(255, 'b')), 0},
    {"Biff3Label65528", kSheetBiff3, Label(0, 1, std::string(65528, 'b')), kSheetInvalidArgument},
    {"Biff3Label65527", kSheetBiff3, Label(0, 1, std::string(65527, 'b')), 0},
};

class SheetCellLimitTest : public SheetFailureTest, public testing::WithParamInterface<CellLimitCase> {};

TEST_P(SheetCellLimitTest, RefusedOrWritten)
{
    SheetFile file;
    ASSERT_EQ(file.Open(earlier_.string(), {.fileType = GetParam().fileType}), 0);
    ASSERT_EQ(WriteCells(file, {Integer(0, 1, 1)}), 0);
    EXPECT_EQ(WriteCells(file, {GetParam().cell}), GetParam().expected);
    if (GetParam().expected != 0) {
        EXPECT_EQ(file.Close(), kSheetBadFileName);
        ExpectEarlierKept();
    } else {
        EXPECT_EQ(file.Close(), 0);
        EXPECT_GT(ReadBytes(earlier_).size(), GetParam().cell.text.size());
    }
}

INSTANTIATE_TEST_SUITE_P(Cells, SheetCellLimitTest, testing::ValuesIn(kCellLimits), CaseName());

// In a batch, files stay under temporary names until Commit: one whose name has become a
// folder meanwhile is named among the failures and the others go in place; Abandon
// removes them all and keeps the earlier file.
TEST_F(SheetFailureTest, BatchNamesTheFileThatCouldNotGoInPlaceAndAbandonKeepsTheEarlierOne)
{
    for (const bool abandon : {false, true}) {
        SheetOutputBatch batch;
        for (const char* name : {"a.wk1", "b.wk1", "earlier.wk1"})
            ASSERT_EQ(WriteSheet(folder_ / name, {Integer(0, 1, 1)}), 0);
        EXPECT_EQ(FolderEntries().size(), 4u) << "only the earlier file and three temporary ones";
        std::filesystem::create_directories(folder_ / "b.wk1" / "inside");
        if (abandon) {
            batch.Abandon();
            EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"b.wk1", "earlier.wk1"}));
            EXPECT_EQ(ReadBytes(earlier_), kEarlier);
            continue;
        }
        const std::vector<SheetOutputBatch::Failure> failures = batch.Commit();
        ASSERT_EQ(failures.size(), 1u);
        EXPECT_EQ(failures[0].path, (folder_ / "b.wk1").string());
        EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"a.wk1", "b.wk1", "earlier.wk1"}));
        EXPECT_EQ(ReadBytes(folder_ / "a.wk1"), ReadBytes(earlier_));
        EXPECT_NE(ReadBytes(earlier_), kEarlier);
        std::filesystem::remove_all(folder_ / "a.wk1");
        std::filesystem::remove_all(folder_ / "b.wk1");
        WriteBytes(earlier_, kEarlier);
    }
}

#if defined(_WIN32)
// Backslashes and mixed separators name the file to replace as a slash does.
TEST_F(SheetFailureTest, EverySeparatorOfTheSystemReplacesInPlace)
{
    std::filesystem::create_directory(folder_ / "sub");
    for (const auto& [given, name] : {std::pair{"\\sub\\backslash.wk1", "backslash.wk1"}, {"/sub\\mixed.wk1", "mixed.wk1"}}) {
        SCOPED_TRACE(given);
        WriteBytes(folder_ / "sub" / name, kEarlier);
        ASSERT_EQ(WriteSheet(folder_.string() + given, {Label(0, 1, "x")}), 0);
        EXPECT_EQ(ReadBytes(folder_ / "sub" / name).at(0), 0x00) << "not replaced by a WK1 file";
    }
    EXPECT_EQ(Entries(folder_ / "sub"), (std::vector<std::string>{"backslash.wk1", "mixed.wk1"}));
}

// A file held open without delete sharing cannot be replaced: the writer says so.
TEST_F(SheetFailureTest, RefusedReplaceKeepsTheEarlierFile)
{
    const HANDLE held = CreateFileW(earlier_.wstring().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(WriteSheet(earlier_, {Label(0, 1, "x")}), kSheetPermissionDenied);
    CloseHandle(held);
    ExpectEarlierKept();
}
#endif

}  // namespace
