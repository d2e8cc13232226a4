#include "installation.h"

#include "widgets/path_text.h"
#include "app/start_up.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QWidget>

#include <optional>

namespace {

struct TokenCase {
    QString commandLine;
    QString first;
    QString second;
    QString rest;
};

TEST(NextToken, TakesBlankSeparatedOrQuotedWords)
{
    const std::vector<TokenCase> cases{
        {"C:\\PAT\\DATA.PAT 12", "C:\\PAT\\DATA.PAT", "12", ""}, {"\"/my pats/data.pat\" 0", "/my pats/data.pat", "0", ""},
        {"", "", "", ""}, {"   a    b  c", "a", "b", " c"}, {"\"\" 5", "", "5", ""},
        {"\"/unclosed path 7", "/unclosed path 7", "", ""}, {"\"/a\"tail 3", "/a", "tail", "3"},
    };
    for (const TokenCase& c : cases) {
        QString line = c.commandLine;
        EXPECT_EQ(widgets::NextToken(line), c.first) << c.commandLine.toStdString();
        EXPECT_EQ(widgets::NextToken(line), c.second) << c.commandLine.toStdString();
        EXPECT_EQ(line, c.rest) << c.commandLine.toStdString();
    }
}

TEST(LeadingWholeNumber, ReadsTheLeadingNumberAndRoundsHalvesToEven)
{
    const std::vector<std::pair<QString, std::optional<int32_t>>> cases{
        {"12", 12},       {"", 0},          {"abc", 0},         {"12abc", 12},   {"2.5", 2},
        {"3.5", 4},       {"-2.5", -2},     {"0.5", 0},         {".6", 1},       {"1.5e0", 2},
        {"1e3", 1000},    {"1d2", 100},     {"1e", 1},          {"+4", 4},       {"-", 0},
        {"2147483647", 2147483647},         {"-2147483648", -2147483647 - 1},
        {"2147483648", std::nullopt},       {"2147483647.5", std::nullopt},      {"1e400", std::nullopt},
    };
    for (const auto& [token, expected] : cases)
        EXPECT_EQ(widgets::LeadingWholeNumber(token), expected) << token.toStdString();
}

TEST(ShortenPath, DropsLeadingFoldersUntilThePathFits)
{
    QWidget window;
    const QFontMetrics metrics(window.font());
    auto width = [&](const QString& text) { return metrics.horizontalAdvance(text); };

    const QString path = "/home/trader/patterns/spx.pat";
    const QStringList candidates{path, "/.../trader/patterns/spx.pat", "/.../patterns/spx.pat", "/.../spx.pat"};
    for (qsizetype i = 0; i < candidates.size(); ++i) {
        EXPECT_EQ(widgets::ShortenPath(path, window, width(candidates[i]) + 1), candidates[i]);
        // Exactly as wide as the room is still too wide.
        EXPECT_EQ(widgets::ShortenPath(path, window, width(candidates[i])), candidates[std::min(i + 1, candidates.size() - 1)]);
    }
    EXPECT_EQ(widgets::ShortenPath(path, window, 0), "/.../spx.pat");
    EXPECT_EQ(widgets::ShortenPath("spx.pat", window, 1), "spx.pat");
    EXPECT_EQ(widgets::ShortenPath("patterns/spx.pat", window, 1), "patterns/spx.pat");
    EXPECT_EQ(widgets::ShortenPath("", window, 0), "");
}

TEST(JoinCommandLine, QuotesArgumentsWithBlanksSoTheyStayOneWord)
{
    const QString line = JoinCommandLine({"/my pats/data.pat", "12"});
    EXPECT_EQ(line, "\"/my pats/data.pat\" 12");
    EXPECT_EQ(JoinCommandLine({}), "");
    // No pattern file, but a number: the number must stay the second word.
    QString rest = JoinCommandLine({"", "12"});
    EXPECT_EQ(widgets::NextToken(rest), "");
    EXPECT_EQ(widgets::NextToken(rest), "12");
}

} // namespace
