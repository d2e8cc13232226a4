#pragma once

// A program of the build run to its end (a minute at most); what it wrote to standard output.

#include <QProcess>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

inline QString RunProgram(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral(TESSAPORT_PROGRAM_DIR "/") + program, arguments);
    EXPECT_TRUE(process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit) << program.toStdString();
    EXPECT_EQ(process.exitCode(), 0) << program.toStdString() << ": " << process.readAllStandardError().toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}
