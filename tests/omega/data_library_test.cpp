#include "omega/data_library.h"

#include <gtest/gtest.h>

namespace {

const QString kTestLibraries = QStringLiteral(TESSAPORT_TEST_LIBRARY_DIR);

TEST(ProbeTest, ClassifiesTheLibraryInTheProgramFolder)
{
    const struct { QString programDir; int16_t expected; } cases[] = {
        {QStringLiteral(TESSAPORT_PROGRAM_DIR), 0}, {kTestLibraries + "/without_version", 1},
        {kTestLibraries + "/no_such_folder", 2}, {kTestLibraries + "/missing_dependency", 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.programDir.toStdString());
        qputenv("TESSAPORT_PROGRAM_DIR", c.programDir.toLocal8Bit());
        EXPECT_EQ(omega::ProbeDataLibrary(), c.expected);
        omega::DataLibrary library;  // loaded by name from the program folder
        EXPECT_EQ(library.Load(), c.expected != 2) << library.ErrorString().toStdString();
    }
    qunsetenv("TESSAPORT_PROGRAM_DIR");
}

TEST(DataLibraryTest, UnresolvedFunctionsAnswerWithTheirFailureResults)
{
    omega::DataLibrary library;
    ASSERT_TRUE(library.Load(kTestLibraries + "/without_version/" + omega::DataLibrary::FileName()));
    EXPECT_EQ(library.Initialize(), 7);  // the one function it has is called
    FileContext context{};
    SecurityRecord security{};
    DateRange range{};
    PriceRecord price{};
    const OmegaDate date{3, 5, 98};
    EXPECT_EQ(library.GetVersion(), 0);
    EXPECT_NE(library.Uninitialize(), 0);
    EXPECT_EQ(library.OpenHeaderFile("/", &context), 0);
    EXPECT_NE(library.ReadHeader(&context, 0, &security), 0);
    EXPECT_NE(library.CloseHeaderFile(&context), 0);
    EXPECT_NE(library.SearchSecurity("/", "IBM", &security), 0);
    EXPECT_NE(library.GetDateRange("/", "IBM", &range), 0);
    EXPECT_EQ(range.available, 0);
    EXPECT_NE(library.OpenDataFile("/", "IBM", &date, &date, &context), 0);
    EXPECT_EQ(library.ReadData(&context, &price, 1), 0);
    EXPECT_NE(library.CloseDataFile(&context), 0);
}

} // namespace
