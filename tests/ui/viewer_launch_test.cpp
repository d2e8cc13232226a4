// Starting the viewer: from the program's folder only, the pattern file as one argument,
// and the two messages when it cannot start.

#include "omega/program_state.h"
#include "platform/busy_pointer.h"
#include "platform/message_box.h"
#include "platform/process_launch.h"
#include "ui/viewer_launch.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "qt_printers.h"

#include <cerrno>
#include <cstring>

namespace {

struct CommandLineCase {
    const char* name;
    QString folder;
    QString expected;
};
[[maybe_unused]] void PrintTo(const CommandLineCase& testCase, std::ostream* out) { *out << testCase.name; }

class WindowsCommandLineTest : public testing::TestWithParam<CommandLineCase> {};

TEST_P(WindowsCommandLineTest, QuotesTheProgramOnlyWhenTheFolderHasABlank)
{
    EXPECT_EQ(WindowsCommandLine(GetParam().folder, "viewer.exe C:\\My Data\\XYZ 1.PAT"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, WindowsCommandLineTest,
    testing::Values(CommandLineCase{"NoBlank", "C:\\QV2\\Import", "C:\\QV2\\Import\\viewer.exe C:\\My Data\\XYZ 1.PAT"},
                    CommandLineCase{"Blank", "C:\\Program Files\\QV2", "\"C:\\Program Files\\QV2\\viewer.exe\" C:\\My Data\\XYZ 1.PAT"},
                    CommandLineCase{"Root", "D:\\", "D:\\viewer.exe C:\\My Data\\XYZ 1.PAT"},
                    CommandLineCase{"BlankWithSeparator", "D:\\My Apps\\", "\"D:\\My Apps\\viewer.exe\" C:\\My Data\\XYZ 1.PAT"}),
    [](const testing::TestParamInfo<CommandLineCase>& testCase) { return std::string(testCase.param.name); });

class ViewerLaunchTest : public testing::Test {
protected:
    void TearDown() override
    {
        qunsetenv("TESSAPORT_PROGRAM_DIR");
        EXPECT_FALSE(platform::IsBusyPointer());
    }

    void View(const QString& programFolder, const QString& patternFile)
    {
        if (!programFolder.isEmpty())
            qputenv("TESSAPORT_PROGRAM_DIR", programFolder.toLocal8Bit());
        state_.PatternFileName = patternFile;
        mnuView_Click(state_);
    }

    static void WriteFile(const QString& path, const QString& text, QFile::Permissions permissions)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.toLocal8Bit());
        file.close();
        file.setPermissions(permissions);
    }

    ProgramState state_;
    platform::RecordedMessages messages_;
};

TEST_F(ViewerLaunchTest, ViewerComesFromTheProgramFolderOnly)
{
    platform::RecordedLaunches launches;
    View("", "/data/x.pat");
    View("/", "/data/x.pat");

    ASSERT_EQ(launches.All().size(), 2u);
    EXPECT_EQ(launches.All()[0].program, QCoreApplication::applicationDirPath() + "/viewer");
    EXPECT_EQ(launches.All()[0].arguments, QStringList{"/data/x.pat"});
    EXPECT_EQ(launches.All()[1].program, "/viewer");
    EXPECT_TRUE(messages_.All().empty());
}

TEST_F(ViewerLaunchTest, RealViewerReceivesTheNameAsOneArgument)
{
    QTemporaryDir folder;
    const QString output = folder.filePath("arguments.txt");
    WriteFile(folder.filePath("viewer"), "#!/bin/sh\nprintf '%s|' \"$#\" \"$@\" > '" + output + "'\n",
              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    View(folder.path(), "/data/My Patterns/XYZ  daily.pat");

    EXPECT_TRUE(messages_.All().empty());
    QFile written(output);
    ASSERT_TRUE(QTest::qWaitFor([&] { return written.size() > 0; }, 10000));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromLocal8Bit(written.readAll()), "1|/data/My Patterns/XYZ  daily.pat|");
}

// For real: a folder without the viewer, and one whose viewer is not executable.
TEST_F(ViewerLaunchTest, ViewerThatCannotStartIsReported)
{
    QTemporaryDir missing;
    QTemporaryDir notProgram;
    WriteFile(notProgram.filePath("viewer"), "not a program\n", QFile::ReadOwner | QFile::WriteOwner);

    View(missing.path(), "/data/x.pat");
    View(notProgram.path(), "/data/x.pat");

    ASSERT_EQ(messages_.All().size(), 2u);
    EXPECT_EQ(messages_.All()[0].text, "Could not locate viewer in the current directory: " + missing.path()
                                           + ". You must load it there or set a DOS path to it.");
    EXPECT_EQ(messages_.All()[1].text, "Error loading viewer: " + QString::fromLocal8Bit(std::strerror(EACCES)) + ".");
    for (const platform::Message& message : messages_.All()) {
        EXPECT_EQ(message.title, "Quorvane 2");
        EXPECT_EQ(message.icon, platform::MessageIcon::Exclamation);
    }
}

} // namespace
