#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

namespace {

struct FileSystem : testing::Test {
    QString Path(const QString& name) const { return temp_.filePath(name); }
    void MakeFile(const QString& name)
    {
        QFile file(Path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("x") == 1);
    }
    QTemporaryDir temp_;
};

TEST_F(FileSystem, OnlyReadableNonDirectoriesOpenForInput)
{
#if defined(_WIN32)
    GTEST_SKIP() << "POSIX only: named pipes, and links that QFile::link makes (shortcuts on Windows)";
#else
    MakeFile("file.txt");
    ASSERT_TRUE(QDir(temp_.path()).mkdir("dir"));
    ASSERT_TRUE(QFile::link(Path("gone"), Path("dangling")));
    ASSERT_TRUE(QFile::link(Path("dir"), Path("dirlink")));
    // A pipe without a writer must neither block nor count as a directory.
    ASSERT_EQ(::mkfifo(QFile::encodeName(Path("pipe")).constData(), 0600), 0);

    for (const char* name : {"file.txt", "pipe"})
        EXPECT_FALSE(platform::CannotOpenForInput(Path(name))) << name;
    for (const char* name : {"dir", "dirlink", "dangling", "missing"})
        EXPECT_TRUE(platform::CannotOpenForInput(Path(name))) << name;
    EXPECT_TRUE(platform::CannotOpenForInput(QString()));
#endif
}

TEST_F(FileSystem, ListingLeavesOutHiddenNamesAndIgnoresCaseInItsOrder)
{
    for (const char* name : {"beta", "Alpha", "gamma.txt", ".hidden", ".config"})
        MakeFile(name);
    ASSERT_TRUE(QDir(temp_.path()).mkdir("Delta"));
    ASSERT_TRUE(QDir(temp_.path()).mkdir(".dotdir"));
    ASSERT_TRUE(QFile::link(Path("gone"), Path("dangling")));
    EXPECT_EQ(platform::ListDirectory(temp_.path()),
              QStringList({"Alpha", "beta", "dangling", "Delta", "gamma.txt"}));
    EXPECT_TRUE(platform::ListDirectory(Path("missing")).isEmpty());
}

} // namespace
