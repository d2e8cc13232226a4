#pragma once

#include <QDialog>

#include <cstdint>

class QLabel;
class QPushButton;
class QTimer;

// The About window. It closes through its timer, at the first tick after Close, so the
// window goes away outside the button's click handler.
class PrAbout4 : public QDialog {
    Q_OBJECT

public:
    explicit PrAbout4(QWidget* parent = nullptr);
    ~PrAbout4() override;

    // The loaded About window, or null.
    static PrAbout4* Loaded();

    void SetCallerIcon(const QIcon& icon);
    void SetVersionText(const QString& text);

protected:
    void closeEvent(QCloseEvent* event) override;
    // Escape closes it like the frame does, so it is unloaded either way.
    void reject() override;

private slots:
    void Command1_Click();
    void Timer1_Timer();

private:
    void CreateControls();
    void Form_Load();

    QLabel* Image1 = nullptr;
    QLabel* Image2 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QPushButton* Command1 = nullptr;
    QTimer* Timer1 = nullptr;
};

// Shows the About window with caller's icon and the version text, loading it first when
// it is not loaded. modality 0 shows it modeless; otherwise it is modal and this returns
// when it closes.
void ShowAbout(QWidget* caller, const QString& caption, int16_t modality);
