#pragma once

#include <QDialog>

#include <cstdint>

class QLabel;
class QPushButton;
class QTimer;

// The About window. It closes through its timer, at the first tick after Close, so the
// window goes away outside the button's click handler.
class AboutDialog : public QDialog {
    Q_OBJECT

public:
    explicit AboutDialog(QWidget* parent = nullptr);
    ~AboutDialog() override;

    // The loaded About window, or null.
    static AboutDialog* Loaded();

    void SetCallerIcon(const QIcon& icon);
    void SetVersionText(const QString& text);

protected:
    void closeEvent(QCloseEvent* event) override;
    // Escape closes it like the frame does, so it is unloaded either way.
    void reject() override;

private slots:
    void startClosing();

private:
    void CreateControls();
    void CentreOnScreen();

    QLabel* callerIcon_ = nullptr;
    QLabel* chartPicture_ = nullptr;
    QLabel* productLabel_ = nullptr;
    QLabel* registeredMark_ = nullptr;
    QLabel* versionLabel_ = nullptr;
    QLabel* copyrightLabel_ = nullptr;
    QLabel* addressLabel_ = nullptr;
    QLabel* contactLabel_ = nullptr;
    QPushButton* closeButton_ = nullptr;
    QTimer* closeTimer_ = nullptr;
};

// Shows the About window with caller's icon and the version text, loading it first when
// it is not loaded. modality 0 shows it modeless; otherwise it is modal and this returns
// when it closes.
void ShowAbout(QWidget* caller, const QString& caption, int16_t modality);
