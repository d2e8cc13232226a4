// Looking a security up and showing what the data directory holds for it.

#include "search_fixture.h"

#include "main_window/security_info.h"
#include "qv2omg/header_reader.h"

#include <gtest/gtest.h>

namespace {

using search_test::Security;
using Texts = std::vector<QString>;

// The description field shows all of its 31 characters.
QString Padded(const char* description) { return QString::fromLatin1(description).leftJustified(31); }

class SecurityInfoTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(w.AddSecurities({
            Security("IBM", "Intl Business Machines", {19930602, 19960105, 19980305}),
            Security("IBMX", "IBM Extra", {19960510, 19980305}, 6, 1),
            Security("GONE", "Gone Corp", {19980305}, 15, 3),
            Security("\xC9TA", "\xC9tat \x80 fund", {19980305}, 12, 2),
        }));
        // A security whose data file has been lost.
        qv2omg::HeaderReader header;
        qv2omg::SecurityEntry entry;
        ASSERT_TRUE(header.Open(w.DataDir()) && header.Read(header.Find("GONE").value_or(99), entry));
        ASSERT_TRUE(std::filesystem::remove(w.DataDir() / std::string(qv2omg::FieldText(entry.dataFile))));
    }

    // Description, category, period, availability, the date fields, and what is enabled.
    Texts Shown() const
    {
        return {w.c.descriptionLabel()->text(), w.c.categoryLabel()->text(), w.c.periodLabel()->text(), w.c.dataAvailableLabel()->text(),
                w.c.firstDateEdit()->text(), w.c.lastDateEdit()->text()};
    }
    int Enabled() const
    {
        return w.c.firstDateEdit()->isEnabled() + w.c.lastDateEdit()->isEnabled() + w.c.beginImportAction()->isEnabled();
    }

    search_test::TestWindow w;
    const QString startDir = QDir::currentPath();
};

TEST_F(SecurityInfoTest, FoundSecurityWithDataFillsTheDisplayAndDefaultDates)
{
    w.c.symbolEdit()->setText(QStringLiteral("  ibm "));
    EXPECT_EQ(ShowSecurityInfo(w.state, w.c, w.c.symbolEdit()->text()), 0);
    EXPECT_EQ(Shown(), (Texts{Padded("Intl Business Machines"), "Stock", "Daily", "From  6/2/1993  to  3/5/1998",
                              "1/1/1995", "3/5/1998"}));
    EXPECT_EQ(Enabled(), 3);
    EXPECT_EQ(w.c.symbolEdit()->selectedText(), QStringLiteral("IBM"));
    EXPECT_EQ(std::pair(w.state.dataFirstDate, w.state.dataLastDate), std::pair(34122, 35859));
    EXPECT_EQ(QDir::currentPath(), startDir);
    EXPECT_FALSE(widgets::IsBusyPointer());

    // Data beginning less than three years before their end: the range starts with them.
    ShowSecurityInfo(w.state, w.c, QStringLiteral("ibmx"));
    EXPECT_EQ(Shown(), (Texts{Padded("IBM Extra"), "Mutual Fund", "Weekly", "From  5/10/1996  to  3/5/1998",
                              "5/10/1996", "3/5/1998"}));

    // Texts of the library are Windows-1252.
    ShowSecurityInfo(w.state, w.c, QStringLiteral("\u00E9ta"));
    EXPECT_EQ(w.c.symbolEdit()->text(), QStringLiteral("\u00C9TA"));
    EXPECT_EQ(Shown()[0], Padded("\xC9tat \x80 fund").replace(QChar(0x80), QChar(0x20AC)));
    EXPECT_EQ(Shown()[1] + Shown()[2], QStringLiteral("ForexMonthly"));
}

// Unknown symbols and lost data leave the import closed; a blank symbol changes nothing,
// and searching it asks for one.
TEST_F(SecurityInfoTest, UnknownLostOrBlankSymbolsLeaveTheImportClosed)
{
    ShowSecurityInfo(w.state, w.c, QStringLiteral("IBM"));
    const Texts found = Shown();
    EXPECT_EQ(ShowSecurityInfo(w.state, w.c, QStringLiteral("   ")), 1);
    EXPECT_EQ(Shown(), found);
    ShowSecurityInfo(w.state, w.c, QStringLiteral("NOPE"));
    EXPECT_EQ(Shown(), (Texts{"No such security in specified data directory.", "", "", "", "", ""}));
    EXPECT_EQ(Enabled(), 0);
    EXPECT_EQ(w.c.symbolEdit()->selectedText(), QStringLiteral("IBM"));  // not replaced when not found

    ShowSecurityInfo(w.state, w.c, QStringLiteral("gone"));
    const Texts lost{Padded("Gone Corp"), "", "", "No, make sure your OMEGA compact disk is on.", "", ""};
    EXPECT_EQ(Shown(), lost);
    EXPECT_EQ(Enabled(), 0);
    EXPECT_EQ(w.state.dataFirstDate, 34122);  // still the last security found with data

    widgets::RecordedMessages messages;
    w.c.symbolEdit()->setText(QStringLiteral("  "));
    w.search.Search();
    ASSERT_EQ(messages.All().size(), 1u);
    const widgets::Message& m = messages.All()[0];
    EXPECT_EQ(std::tuple(m.title, m.text, m.icon), std::tuple(QStringLiteral("Tessaport"), QString::fromLatin1(kChooseSecurityText),
                                                              widgets::MessageIcon::Information));
    EXPECT_EQ(Shown(), lost);
}

} // namespace
