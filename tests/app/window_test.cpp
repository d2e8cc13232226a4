#include "installation.h"

#include "app/help_window.h"
#include "platform/help_request.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>
#include <QTextBrowser>

namespace {

using platform::HelpRequest;

class MainWindow : public testing::Test {
protected:
    void SetUp() override
    {
        installation_.AddDataDir("USStock", {app_test::Security("IBX", "Fictional Machines")});
        started_ = app_test::Start(installation_);
        ASSERT_EQ(started_.outcome, StartUpOutcome::Shown);
        // Shortcuts reach the active window only.
        ASSERT_TRUE(QTest::qWaitForWindowActive(started_.window.get()));
    }

    Omega& Window() { return *started_.window; }
    const MainControls& C() { return started_.window->Controls(); }

    app_test::Installation installation_;
    app_test::StartUp started_;
};

TEST_F(MainWindow, CloseIsRefusedWhileAnImportRunsAndAllowedAfter)
{
    platform::RecordedMessages messages;
    C().mnuInterrupt->setEnabled(true);
    EXPECT_FALSE(Window().close());
    C().mnuExit->trigger();
    EXPECT_TRUE(Window().isVisible());
    ASSERT_EQ(messages.All().size(), 2u);
    for (const platform::Message& m : messages.All())
        EXPECT_EQ(std::tuple(m.title, m.text, m.icon),
                  std::tuple(QStringLiteral("Tessaport"), QStringLiteral("Import should either be interrupted or allowed "
                             "to run to completion before closing import module."), platform::MessageIcon::Exclamation));

    C().mnuInterrupt->trigger();
    EXPECT_EQ(Window().State().InterruptRequested, kTrue);
    C().mnuInterrupt->setEnabled(false);
    C().mnuExit->trigger();
    EXPECT_FALSE(Window().isVisible());
    EXPECT_EQ(messages.All().size(), 2u);
}

TEST_F(MainWindow, FunctionKeysAskForHelp)
{
    platform::RecordedHelpRequests requests;
    QTest::keyClick(C().txtSymbol, Qt::Key_F1);
    QTest::keyClick(C().txtSymbol, Qt::Key_F2);
    EXPECT_EQ(requests.All(), (std::vector<HelpRequest>{{HelpRequest::Kind::Context, 5616},
                                                        {HelpRequest::Kind::Index, 0}}));
}

TEST_F(MainWindow, EnterSearchesInSingleModeOnly)
{
    QTest::keyClicks(C().txtSymbol, " ibx ");
    EXPECT_EQ(C().pctDesc->text().trimmed(), "");
    QTest::keyClick(C().txtSymbol, Qt::Key_Return);
    EXPECT_EQ(C().pctDesc->text().trimmed(), "Fictional Machines");
    EXPECT_EQ(C().txtSymbol->text(), "IBX");

    C().mnuMode[1]->trigger();
    C().pctDesc->setText("marker");
    QTest::keyClick(C().txtSymbol, Qt::Key_Return);
    EXPECT_EQ(C().pctDesc->text(), "marker");
}

TEST(HelpWindow, ContextsOpenTheirTopicsAndTheIndexLinksEveryTopic)
{
    app_test::StartApplication();
    BuiltInHelp engine;
    platform::SetHelpEngine(&engine);
    platform::ShowHelpContext(5616);
    platform::SetHelpEngine(nullptr);
    ASSERT_NE(engine.Window(), nullptr);
    HelpWindow& help = *engine.Window();
    EXPECT_EQ(help.Browser()->documentTitle(), "The Tessaport window");
    EXPECT_TRUE(help.isVisible());
    help.ShowTopic(1);
    EXPECT_EQ(help.Browser()->documentTitle(), "Help index");

    const QRegularExpression link(QStringLiteral("href=\"([^\"]+)\""));
    auto read = [](const QString& page) {
        QFile file(QString(page).replace(QLatin1String("qrc:"), QLatin1String(":")));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << page.toStdString();
        return QString::fromUtf8(file.readAll());
    };
    const QString index = read(HelpIndexPage());
    for (const HelpTopic& topic : HelpTopics()) {
        const QString name = topic.page.section(QLatin1Char('/'), -1);
        EXPECT_TRUE(index.contains("href=\"" + name + "\">" + topic.title + "</a>")) << name.toStdString();
        help.ShowTopic(topic.context);
        EXPECT_EQ(help.Browser()->documentTitle(), topic.title);
        // Every link of the page leads to a page that exists.
        for (const auto& match : link.globalMatch(read(topic.page)))
            EXPECT_TRUE(QFile::exists(":/help/" + match.captured(1))) << match.captured(1).toStdString();
    }
}

} // namespace
