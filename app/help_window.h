#pragma once

#include "widgets/help_request.h"

#include <QString>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <vector>

class QTextBrowser;

struct HelpTopic {
    int32_t context;
    QString title;
    QString page;  // resource path of the page
};

// The topics of the built-in help, in index order.
const std::vector<HelpTopic>& HelpTopics();
// The resource path of the index page.
QString HelpIndexPage();

// The help window: one topic at a time, with links between topics and to the index.
class HelpWindow : public QWidget {
    Q_OBJECT

public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // The topic of a context number; the index when no topic has that number.
    void ShowTopic(int32_t context);
    void ShowIndex();
    QTextBrowser* Browser() const { return browser_; }

private:
    void Present();

    QTextBrowser* browser_ = nullptr;
    bool placed_ = false;
};

// The program's help engine: help requests open the help window, made on first use.
class BuiltInHelp : public widgets::HelpEngine {
public:
    void ShowContext(int32_t context) override;
    void ShowIndex() override;
    HelpWindow* Window() const { return window_.get(); }

private:
    HelpWindow& Open();

    std::unique_ptr<HelpWindow> window_;
};
