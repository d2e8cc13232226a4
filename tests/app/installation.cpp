#include "installation.h"

#include "platform/registry_file.h"
#include "platform/working_directory.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace app_test {

QString Native(const QString& path) { return QDir::toNativeSeparators(path); }

Installation::Installation()
{
    EXPECT_TRUE(temp_.isValid());
    EXPECT_TRUE(QDir().mkpath(ProgramDir()));
    EXPECT_TRUE(QDir().mkpath(DataRoot()));
    WriteRegistryPath(ProgramDir());
}

QString Installation::AddDataDir(const QString& name, const std::vector<qv2omg::NewSecurity>& securities)
{
    const QString path = DataRoot() + QLatin1Char('/') + name;
    EXPECT_TRUE(QDir().mkpath(path));
    if (!securities.empty()) {
        EXPECT_TRUE(qv2omg::CreateDatabase(path.toStdString()).IsOk());
        const qv2omg::Status status = qv2omg::AddSecurities(path.toStdString(), securities);
        EXPECT_TRUE(status.IsOk()) << status.Message();
    }
    return Native(path);
}

void Installation::AddFile(const QString& relativePath)
{
    QFile file(Root() + QLatin1Char('/') + relativePath);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write("not a directory\n") > 0) << relativePath.toStdString();
}

void Installation::WriteRegistryPath(const QString& path)
{
    // As an installer writes it: in the system's own separators.
    QString escaped = QDir::toNativeSeparators(path);
    escaped.replace(QLatin1String("\\"), QLatin1String("\\\\")).replace(QLatin1String("\""), QLatin1String("\\\""));
    const QByteArray content = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App "
                               "Paths\\ts32.exe]\r\n\"Path\"=\"" + escaped.toUtf8() + "\"\r\n";
    QFile file(RegistryFile());
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size());
}

qv2omg::NewSecurity Security(const std::string& symbol, const std::string& description)
{
    return {{symbol, description, 2, 0, false}, {{19980302, 10, 11, 9, 10, 1000, 0}, {19980305, 10, 12, 9, 11, 1200, 0}}};
}

std::string StartUp::Said() const
{
    std::string said;
    for (const widgets::Message& message : messages)
        said += "\n  message: " + message.text.toStdString();
    return said.empty() ? std::string("\n  no message") : said;
}

StartUp Start(const Installation& installation, const QString& commandLine, const QString& programFolder)
{
    const platform::WorkingDirectoryScope keep(QDir::currentPath());
    const platform::RegistryFile registry = platform::RegistryFile::Load(installation.RegistryFile());
    StartUp result;
    result.window = std::make_unique<MainWindow>();
    widgets::RecordedMessages messages;
    StartUpEnvironment environment;
    environment.registry = &registry;
    environment.commandLine = commandLine;
    environment.programFolder = programFolder;
    result.outcome = OpenMainWindow(*result.window, environment);
    result.messages = messages.All();
    result.workingDirectory = QDir::currentPath();
    return result;
}

} // namespace app_test
