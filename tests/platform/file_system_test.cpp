#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

namespace {

TEST(FileSystem, OnlyReadableNonDirectoriesOpenForInput)
{
#if defined(_WIN32)
    GTEST_SKIP() << "POSIX only: named pipes, and links that QFile::link makes (shortcuts on Windows)";
#else
    QTemporaryDir temp;
    const auto path = [&](const char* name) { return temp.filePath(name); };
    QFile file(path("file.txt"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("x") == 1);
    ASSERT_TRUE(QDir(temp.path()).mkdir("dir"));
    ASSERT_TRUE(QFile::link(path("gone"), path("dangling")));
    ASSERT_TRUE(QFile::link(path("dir"), path("dirlink")));
    // A pipe without a writer must neither block nor count as a directory.
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("pipe")).constData(), 0600), 0);

    for (const char* name : {"file.txt", "pipe"})
        EXPECT_FALSE(platform::CannotOpenForInput(path(name))) << name;
    for (const char* name : {"dir", "dirlink", "dangling", "missing"})
        EXPECT_TRUE(platform::CannotOpenForInput(path(name))) << name;
    EXPECT_TRUE(platform::CannotOpenForInput(QString()));
#endif
}

} // namespace
