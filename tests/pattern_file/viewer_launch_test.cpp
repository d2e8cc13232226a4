// Starting the viewer: from the program's folder only, the pattern file as one argument,
// and the two messages when it cannot start.

#include "widgets/busy_pointer.h"
#include "widgets/message_box.h"
#include "platform/process_launch.h"
#include "pattern_file/viewer_launch.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "qt_printers.h"

#include <cerrno>
#include <cstring>

namespace {

// The program quoted only when its folder has a blank; a folder at the root adds no separator.
TEST(WindowsCommandLine, QuotesTheProgramOnlyWhenTheFolderHasABlank)
{
    const std::pair<QString, QString> cases[] = {
        {"C:\\QV2\\Import", "C:\\QV2\\Import\\viewer.exe"},
        {"C:\\Program Files\\QV2", "\"C:\\Program Files\\QV2\\viewer.exe\""},
        {"D:\\", "D:\\viewer.exe"},
        {"D:\\My Apps\\", "\"D:\\My Apps\\viewer.exe\""},
    };
    for (const auto& [folder, program] : cases)
        EXPECT_EQ(WindowsCommandLine(folder, "viewer.exe C:\\My Data\\XYZ 1.PAT"), program + " C:\\My Data\\XYZ 1.PAT");
}

// Chooses View with the program folder set (left as it is when empty).
void View(const QString& programFolder, const QString& patternFile = "/data/x.pat")
{
    if (!programFolder.isEmpty())
        qputenv("TESSAPORT_PROGRAM_DIR", programFolder.toLocal8Bit());
    ViewPatternFile(patternFile);
    qunsetenv("TESSAPORT_PROGRAM_DIR");
    EXPECT_FALSE(widgets::IsBusyPointer());
}

void WriteFile(const QString& path, const QString& text, QFile::Permissions permissions)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(text.toLocal8Bit()) > 0);
    file.close();
    ASSERT_TRUE(file.setPermissions(permissions));
}

TEST(ViewerLaunch, ViewerComesFromTheProgramFolderOnly)
{
    widgets::RecordedMessages messages;
    platform::RecordedLaunches launches;
    View("");
    View("/");

    ASSERT_EQ(launches.All().size(), 2u);
    EXPECT_EQ(launches.All()[0].program, QCoreApplication::applicationDirPath() + "/viewer");
    EXPECT_EQ(launches.All()[0].arguments, QStringList{"/data/x.pat"});
    EXPECT_EQ(launches.All()[1].program, "/viewer");
    EXPECT_TRUE(messages.All().empty());
}

// For real: a viewer that gets the name as one argument, then a folder without the viewer
// and one whose viewer is not executable, each with its message.
TEST(ViewerLaunch, RealViewerReceivesTheNameAsOneArgumentOrIsReported)
{
    widgets::RecordedMessages messages;
    QTemporaryDir folder, missing, notProgram;
    const QString output = folder.filePath("arguments.txt");
    WriteFile(folder.filePath("viewer"), "#!/bin/sh\nprintf '%s|' \"$#\" \"$@\" > '" + output + "'\n",
              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    View(folder.path(), "/data/My Patterns/XYZ  daily.pat");
    EXPECT_TRUE(messages.All().empty());
    QFile written(output);
    ASSERT_TRUE(QTest::qWaitFor([&] { return written.size() > 0; }, 10000));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromLocal8Bit(written.readAll()), "1|/data/My Patterns/XYZ  daily.pat|");

    WriteFile(notProgram.filePath("viewer"), "not a program\n", QFile::ReadOwner | QFile::WriteOwner);
    View(missing.path());
    View(notProgram.path());
    ASSERT_EQ(messages.All().size(), 2u);
    EXPECT_EQ(messages.All()[0].text, "Could not locate viewer in the current directory: " + missing.path()
                                          + ". You must load it there or set a DOS path to it.");
    EXPECT_EQ(messages.All()[1].text, "Error loading viewer: " + QString::fromLocal8Bit(std::strerror(EACCES)) + ".");
    for (const widgets::Message& message : messages.All()) {
        EXPECT_EQ(message.title, "Quorvane 2");
        EXPECT_EQ(message.icon, widgets::MessageIcon::Exclamation);
    }
}

} // namespace
