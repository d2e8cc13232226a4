#include "help_window.h"

#include "app/program_icon.h"
#include "widgets/twips.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {
const QString kPages = QStringLiteral("qrc:/help/");
} // namespace

const std::vector<HelpTopic>& HelpTopics()
{
    static const std::vector<HelpTopic> topics{
        {5616, QStringLiteral("The Tessaport window"), kPages + QStringLiteral("main_window.html")},
        {5617, QStringLiteral("Installing and starting Tessaport"), kPages + QStringLiteral("starting.html")},
        {5618, QStringLiteral("Choosing a data directory"), kPages + QStringLiteral("data_directories.html")},
        {5619, QStringLiteral("Finding a security"), kPages + QStringLiteral("finding_securities.html")},
        {5620, QStringLiteral("Importing a price history"), kPages + QStringLiteral("importing.html")},
        {5621, QStringLiteral("Pattern files"), kPages + QStringLiteral("pattern_files.html")},
        {5622, QStringLiteral("Keyboard shortcuts"), kPages + QStringLiteral("keyboard.html")},
    };
    return topics;
}

QString HelpIndexPage()
{
    return kPages + QStringLiteral("index.html");
}

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Tessaport Help"));
    setWindowIcon(ProgramIcon());

    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("helpBrowser"));
    browser_->setOpenLinks(true);
    browser_->setOpenExternalLinks(false);

    auto* index = new QPushButton(QStringLiteral("&Index"), this);
    auto* back = new QPushButton(QStringLiteral("&Back"), this);
    auto* forward = new QPushButton(QStringLiteral("&Forward"), this);
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(index, &QPushButton::clicked, this, &HelpWindow::ShowIndex);
    connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward, &QPushButton::clicked, browser_, &QTextBrowser::forward);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward, &QPushButton::setEnabled);
    connect(browser_, &QTextBrowser::sourceChanged, this,
            [this] { setWindowTitle(QStringLiteral("Tessaport Help - ") + browser_->documentTitle()); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(index);
    buttons->addWidget(back);
    buttons->addWidget(forward);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(browser_);
    resize(560, 480);

    // A help window closes on Escape, like the system's own.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
}

void HelpWindow::ShowTopic(int32_t context)
{
    for (const HelpTopic& topic : HelpTopics()) {
        if (topic.context == context) {
            browser_->setSource(QUrl(topic.page));
            Present();
            return;
        }
    }
    ShowIndex();
}

void HelpWindow::ShowIndex()
{
    browser_->setSource(QUrl(HelpIndexPage()));
    Present();
}

void HelpWindow::Present()
{
    if (!placed_) {
        // Centred on the screen when it first opens, like every secondary window, and no
        // larger than the screen with its title bar (a large scale factor makes it so).
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
        }
        widgets::FitOnScreen(this);
        placed_ = true;
    }
    show();
    raise();
    activateWindow();
}

void BuiltInHelp::ShowContext(int32_t context) { Open().ShowTopic(context); }
void BuiltInHelp::ShowIndex() { Open().ShowIndex(); }

HelpWindow& BuiltInHelp::Open()
{
    if (!window_)
        window_ = std::make_unique<HelpWindow>();
    return *window_;
}
