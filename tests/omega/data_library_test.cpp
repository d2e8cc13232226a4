#include "omega/data_library.h"

#include <gtest/gtest.h>

#include <QDir>

namespace {

const QString kTestLibraries = QStringLiteral(TESSAPORT_TEST_LIBRARY_DIR);

struct ProbeCase {
    const char* name;
    QString programDir;
    int16_t expected;
};

class ProbeTest : public testing::TestWithParam<ProbeCase> {
protected:
    void TearDown() override { qunsetenv("TESSAPORT_PROGRAM_DIR"); }
};

TEST_P(ProbeTest, ClassifiesTheLibraryInTheProgramFolder)
{
    qputenv("TESSAPORT_PROGRAM_DIR", GetParam().programDir.toLocal8Bit());
    EXPECT_EQ(omega::ProbeDataLibrary(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Installations, ProbeTest, testing::Values(
    ProbeCase{"Complete", QStringLiteral(TESSAPORT_PROGRAM_DIR), 0},
    ProbeCase{"WithoutVersionQuery", kTestLibraries + "/without_version", 1},
    ProbeCase{"LibraryMissing", kTestLibraries + "/no_such_folder", 2},
    ProbeCase{"DependencyMissing", kTestLibraries + "/missing_dependency", 2}),
    [](const auto& testParam) { return std::string(testParam.param.name); });

TEST(DataLibraryTest, UnresolvedFunctionsAnswerWithTheirFailureResults)
{
    omega::DataLibrary partial;
    ASSERT_TRUE(partial.Load(kTestLibraries + "/without_version/" + omega::DataLibrary::FileName()));
    omega::DataLibrary missing;
    ASSERT_FALSE(missing.Load(kTestLibraries + "/no_such_folder/" + omega::DataLibrary::FileName()));

    EXPECT_EQ(partial.Initialize(), 7);  // the one function it has is called
    for (const omega::DataLibrary* library : {&partial, &missing}) {
        FileContext context{};
        SecurityRecord security{};
        DateRange range{};
        PriceRecord price{};
        const OmegaDate date{3, 5, 98};
        EXPECT_EQ(library->GetVersion(), 0);
        EXPECT_NE(library->Uninitialize(), 0);
        EXPECT_EQ(library->OpenHeaderFile("/", &context), 0);
        EXPECT_NE(library->ReadHeader(&context, 0, &security), 0);
        EXPECT_NE(library->CloseHeaderFile(&context), 0);
        EXPECT_NE(library->SearchSecurity("/", "IBM", &security), 0);
        EXPECT_NE(library->GetDateRange("/", "IBM", &range), 0);
        EXPECT_EQ(range.available, 0);
        EXPECT_NE(library->OpenDataFile("/", "IBM", &date, &date, &context), 0);
        EXPECT_EQ(library->ReadData(&context, &price, 1), 0);
        EXPECT_NE(library->CloseDataFile(&context), 0);
    }
}

TEST(DataLibraryTest, LoadsTheLibraryOfTheProgramFolderByName)
{
    qputenv("TESSAPORT_PROGRAM_DIR", TESSAPORT_PROGRAM_DIR);
    omega::DataLibrary library;
    EXPECT_TRUE(library.Load()) << library.ErrorString().toStdString();
    EXPECT_EQ(library.GetVersion(), 100);
    qunsetenv("TESSAPORT_PROGRAM_DIR");
}

} // namespace
