// Paths as callers hand them over: every separator the system takes, and a replace the
// system refuses.

#include "sheet_test_support.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

const Bytes kEarlier = Hex("45 41 52 4C 49 45 52");

TEST_F(SheetTest, EverySeparatorOfTheSystemReplacesInPlace)
{
    const auto sub = folder_ / "sub";
    std::filesystem::create_directory(sub);
    const std::string folder = folder_.string();
    std::vector<std::pair<std::string, std::filesystem::path>> cases = {
        {folder + "/sub/slash.wk1", sub / "slash.wk1"},
    };
#if defined(_WIN32)
    cases.push_back({folder + "\\sub\\backslash.wk1", sub / "backslash.wk1"});
    cases.push_back({folder + "/sub\\mixed.wk1", sub / "mixed.wk1"});
#endif
    for (const auto& [given, file] : cases) {
        SCOPED_TRACE(given);
        WriteBytes(file, kEarlier);
        ASSERT_EQ(WriteSheet(given, {Label(0, 1, "x")}), 0);
        const Bytes written = ReadBytes(file);
        EXPECT_FALSE(SameBytes(written, kEarlier)) << "the earlier file was not replaced";
        EXPECT_EQ(written.size() > 4 ? written[0] : 0xFF, 0x00) << "not a WK1 file";
    }
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(sub))
        ++entries;
    EXPECT_EQ(entries, cases.size()) << "a temporary file is left";
}

#if defined(_WIN32)
// A file held open without delete sharing cannot be replaced: the writer says so and the
// earlier file stays as it was.
TEST_F(SheetTest, RefusedReplaceKeepsTheEarlierFile)
{
    const auto path = folder_ / "held.wk1";
    WriteBytes(path, kEarlier);
    const HANDLE held = CreateFileW(path.wstring().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(WriteSheet(path, {Label(0, 1, "x")}), kSheetPermissionDenied);
    CloseHandle(held);
    EXPECT_TRUE(SameBytes(ReadBytes(path), kEarlier));
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"held.wk1"}) << "a temporary file is left";
}
#endif

}  // namespace
