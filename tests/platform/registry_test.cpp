#include "platform/registry.h"
#include "platform/registry_file.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <optional>

#if !defined(_WIN32)
#include <sys/resource.h>
#endif

namespace {

using platform::RegistryFile;
using platform::RegistryType;

const QString kKey = QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\ts32.exe");
const QByteArray kKeyLine = "[" + kKey.toLatin1() + "]\n";
const QByteArray kHead = "REGEDIT4\n" + kKeyLine;

struct ParseCase {
    const char* name;
    QByteArray content;
    std::optional<RegistryType> type;  // nothing: the value is missing
    QString text = {};
    uint32_t number = 0;
};

std::ostream& operator<<(std::ostream& out, const ParseCase& c) { return out << c.name; }

class RegistryParse : public testing::TestWithParam<ParseCase> {};

TEST_P(RegistryParse, ReadsTheValue)
{
    const ParseCase& c = GetParam();
    const RegistryFile registry = RegistryFile::Parse(c.content);
    const RegistryFile::Value* value = registry.Find(kKey, "Path");
    ASSERT_EQ(value != nullptr, c.type.has_value());
    if (value) {
        EXPECT_EQ(std::tuple(value->type, value->text, value->number), std::tuple(*c.type, c.text, c.number));
    }
}

const QByteArray kUtf16 = [] {
    const QString text = "Windows Registry Editor Version 5.00\r\n\r\n" + QString::fromLatin1(kKeyLine)
                       + QStringLiteral("\"Path\"=\"C:\\\\Bürse\\\\Program\"\r\n");
    QByteArray bytes("\xFF\xFE", 2);
    for (const QChar c : text)
        bytes.append(static_cast<char>(c.unicode() & 0xFF)).append(static_cast<char>(c.unicode() >> 8));
    return bytes;
}();

INSTANTIATE_TEST_SUITE_P(
    Cases, RegistryParse,
    testing::Values(
        ParseCase{"regedit4", "REGEDIT4\n\n" + kKeyLine + "\"Path\"=\"C:\\\\TS\\\\Program\"\n", RegistryType::String,
                  "C:\\TS\\Program"},
        ParseCase{"utf16_with_bom", kUtf16, RegistryType::String, QStringLiteral("C:\\Bürse\\Program")},
        ParseCase{"comments_and_blanks", "REGEDIT4\n; installed by hand\n\n" + kKeyLine + "  ; the path\n"
                  "  \"Path\" = \"/ts\"  \n", RegistryType::String, "/ts"},
        ParseCase{"dword", kHead + "\"Path\"=dword:0000001f\n", RegistryType::Dword, "", 31},
        ParseCase{"value_deleted", kHead + "\"Path\"=\"/a\"\n\"Path\"=-\n", std::nullopt},
        ParseCase{"unterminated_string", kHead + "\"Path\"=\"/ts\n", std::nullopt},
        ParseCase{"no_header", kKeyLine + "\"Path\"=\"/ts\"\n", std::nullopt}),
    [](const testing::TestParamInfo<ParseCase>& p) { return std::string(p.param.name); });

// A key as the Windows registry hands values over: strings with their terminating NUL.
struct WindowsLikeRegistry : platform::Registry, platform::RegistryKey {
    WindowsLikeRegistry(RegistryType type, QString text) : type_(type), text_(std::move(text)) {}
    std::unique_ptr<platform::RegistryKey> OpenLocalMachineKey(const QString& subKey) const override
    {
        return subKey.endsWith("\\ts32.exe") ? std::make_unique<WindowsLikeRegistry>(*this) : nullptr;
    }
    int32_t QueryInfo(const QString&, RegistryType& type, uint32_t& size) const override
    {
        return type = type_, size = static_cast<uint32_t>(text_.size()), platform::kRegistrySuccess;
    }
    int32_t ReadString(const QString&, uint32_t size, QString& text) const override
    {
        return text = text_.left(size), platform::kRegistrySuccess;
    }
    int32_t ReadDword(const QString&, uint32_t& number) const override { return number = 7, platform::kRegistrySuccess; }
    RegistryType type_;
    QString text_;
};

TEST(GetAppPath, CutsOnlyATerminatingNulAndReadsOnlyStrings)
{
    const QString nul(QChar(u'\0'));
    const struct { RegistryType type; QString stored; const char* exe; QString expected; } cases[] = {
        {RegistryType::String, "C:\\TS\\Program" + nul, "ts32.exe", "C:\\TS\\Program"},
        {RegistryType::String, nul, "ts32.exe", ""},
        {RegistryType::Dword, {}, "ts32.exe", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::GetAppPath(WindowsLikeRegistry(c.type, c.stored), c.exe), c.expected) << c.stored.size();

    // The registry file stores no NUL, and its names ignore case as the registry's do.
    const RegistryFile file = RegistryFile::Parse("REGEDIT4\n[hkey_local_machine\\SOFTWARE\\microsoft\\windows\\"
                                                  "currentversion\\app paths\\TS32.EXE]\n\"PATH\"=\"C:\\\\TS\\\\\"\n");
    EXPECT_EQ(platform::GetAppPath(file, "ts32.exe"), "C:\\TS\\");
}

TEST(RegistryFile, UnreadableOrEndlessFilesGiveAnEmptyRegistry)
{
    for (const char* path : {"/nonexistent/registry.reg", "/tmp", "/dev/zero"}) {
        const RegistryFile registry = RegistryFile::Load(path);
        EXPECT_TRUE(registry.Error().contains(path)) << path;
        EXPECT_FALSE(registry.HasKey("HKEY_LOCAL_MACHINE\\Software")) << path;
    }
}

QByteArray KeyOf(int depth, int nameLength)
{
    QByteArray path = "HKEY_LOCAL_MACHINE";
    for (int i = 1; i < depth; ++i)
        path += '\\' + QByteArray(nameLength, 'a');
    return path;
}

// Keys as deep and as long as the registry allows are read; one step beyond is a broken key
// line, and the values under it land nowhere.
TEST(RegistryFile, KeysTheRegistryCannotHoldAreRefusedOthersKeptAsWritten)
{
    const struct { int depth; int nameLength; bool kept; } cases[] = {
        {512, 1, true}, {513, 1, false}, {3, 255, true}, {3, 256, false},
        {128, 255, true} /* 32530 characters */, {129, 255, false} /* 32786 */,
    };
    for (const auto& c : cases) {
        const QByteArray key = KeyOf(c.depth, c.nameLength);
        const RegistryFile registry = RegistryFile::Parse(kHead + "\"Path\"=\"/a\"\n[" + key + "]\n\"Path\"=\"/b\"\n");
        EXPECT_EQ(registry.Find(QString::fromLatin1(key), "Path") != nullptr, c.kept) << c.depth << ' ' << c.nameLength;
        EXPECT_EQ(registry.HasKey(QString::fromLatin1(KeyOf(c.depth - 1, c.nameLength))), c.kept);
        EXPECT_EQ(platform::GetAppPath(registry, "ts32.exe"), "/a");
    }
}

// What the writer writes reads back as it was given; a text the file cannot hold is refused
// and the file there is left as it was.
TEST(WriteRegistryFile, WritesWhatReadsBackOrRefusesAndKeepsTheFile)
{
    QTemporaryDir folder;
    const QString path = folder.filePath("config/tessaport/registry.reg");
    const struct { const char* name; QString key; QString value; bool written; } cases[] = {
        {"quotes_backslashes_blanks", kKey, QStringLiteral(" C:\\TS \"x\"\\ ;[a]=@ Bürse € 𝄞 "), true},
        {"empty", kKey, QString(), true},
        {"line_break", kKey, QStringLiteral("/a\n@=\"x\"\n[-HKEY_LOCAL_MACHINE]"), false},
        {"c1_control", kKey, QStringLiteral("/a\u0085b"), false},
        {"half_a_pair", kKey, QStringLiteral("/a") + QChar(0xD834), false},
        {"key_deleting", "-" + kKey, QStringLiteral("/a"), false},
        {"key_with_empty_part", kKey + "\\\\x", QStringLiteral("/a"), false},
        {"key_ending_in_blank", kKey + " ", QStringLiteral("/a"), false},
    };
    for (const auto& c : cases) {
        QFile::remove(path);
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
        QFile before(path);
        ASSERT_TRUE(before.open(QIODevice::WriteOnly));
        before.write(kHead + "\"Path\"=\"/before\"\n");
        before.close();

        QString error;
        EXPECT_EQ(platform::WriteRegistryFile(path, c.key, "Path", c.value, error), c.written) << c.name;
        const RegistryFile registry = RegistryFile::Load(path);
        const RegistryFile::Value* read = registry.Find(c.written ? c.key : kKey, "Path");
        ASSERT_NE(read, nullptr) << c.name;
        EXPECT_EQ(read->text, c.written ? c.value : QStringLiteral("/before")) << c.name;
        EXPECT_EQ(error.isEmpty(), c.written) << c.name << ": " << error.toStdString();
        EXPECT_EQ(QDir(QFileInfo(path).path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                  QStringList{"registry.reg"}) << c.name;
    }
}

#if !defined(_WIN32)
long PeakResidentKb()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// One key line of 50,000 parts once took 3 GB, and every key of legal size cost memory
// in proportion to its depth times its length. Now a file costs in proportion to its size.
TEST(RegistryFile, DeepKeysCostMemoryInProportionToTheFile)
{
    QByteArray deep = "REGEDIT4\n[a";
    for (int i = 1; i < 50000; ++i)
        deep += "\\a";
    deep += "]\n" + kKeyLine + "\"Path\"=\"/ts\"\n";
    // Distinct keys of the longest legal path: 512 levels, 32767 characters each.
    QByteArray legal = "REGEDIT4\n";
    for (char last = 'a'; last < 'g'; ++last)
        legal += "[" + KeyOf(512, 63) + '\\' + last + "]\n";
    legal += kKeyLine + "\"Path\"=\"/ts\"\n";

    const long before = PeakResidentKb();
    for (const QByteArray& content : {deep, legal}) {
        const RegistryFile registry = RegistryFile::Parse(content);
        ASSERT_NE(registry.Find(kKey, "Path"), nullptr);
        EXPECT_EQ(registry.Find(kKey, "Path")->text, "/ts");
    }
    EXPECT_LT(PeakResidentKb() - before, 64 * 1024);
}

// A link planted where the file goes is replaced, not written through.
TEST(WriteRegistryFile, ReplacesALinkInsteadOfFollowingIt)
{
    QTemporaryDir folder;
    const QString path = folder.filePath("registry.reg"), target = folder.filePath("elsewhere.reg");
    ASSERT_TRUE(QFile::link(target, path));
    QString error;
    ASSERT_TRUE(platform::WriteRegistryFile(path, kKey, "Path", "/ts", error)) << error.toStdString();
    EXPECT_FALSE(QFileInfo(path).isSymLink());
    EXPECT_FALSE(QFileInfo::exists(target));
    EXPECT_EQ(platform::GetAppPath(RegistryFile::Load(path), "ts32.exe"), "/ts");
}
#endif


// Where the registry file is looked for, and what a person setting up a machine reads when
// the installation is not found there.
TEST(RegistryFilePath, EnvironmentThenUserFileThenSystemFileEachDescribed)
{
    QTemporaryDir config;
    const QByteArray oldHome = qgetenv("XDG_CONFIG_HOME"), oldForced = qgetenv("TESSAPORT_REGISTRY");
    const auto describe = [] { return platform::DescribeRegistryFiles(kKey, QStringLiteral("Path")); };
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    qputenv("TESSAPORT_REGISTRY", "/nonexistent/my.reg");
    EXPECT_EQ(platform::RegistryFilePath(), "/nonexistent/my.reg");
    EXPECT_EQ(describe(), QStringList({"/nonexistent/my.reg (from TESSAPORT_REGISTRY): does not exist"}));
    qunsetenv("TESSAPORT_REGISTRY");
    const QString user = config.filePath("tessaport/registry.reg");
    EXPECT_EQ(platform::RegistryFilePath(), QStringLiteral("/etc/xdg/tessaport/registry.reg"));
    EXPECT_EQ(describe().value(0), user + ": does not exist");

    ASSERT_TRUE(QDir(config.path()).mkpath("tessaport"));
    const struct { QByteArray content; QString state; } cases[] = {
        {"not a registry file\n", ""},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software]\n", ": read; it has no key [" + kKey + "]"},
        {kHead + "\"Other\"=\"x\"\n", ": read; its key [" + kKey + "] has no \"Path\" value"},
        {kHead + "\"Path\"=dword:00000001\n", ": read; its \"Path\" value is not a string"},
    };
    for (const auto& c : cases) {
        QFile file(user);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(c.content) == c.content.size());
        file.close();
        const QString unusable = ": not usable: " + RegistryFile::Load(user).Error().mid(user.size() + 2);
        EXPECT_EQ(describe().value(0), user + (c.state.isEmpty() ? unusable : c.state));
    }
    EXPECT_EQ(platform::RegistryFilePath(), user);
    qputenv("XDG_CONFIG_HOME", oldHome);
    qputenv("TESSAPORT_REGISTRY", oldForced);
}

} // namespace
