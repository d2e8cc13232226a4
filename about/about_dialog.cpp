#include "about/about_dialog.h"

#include "widgets/twips.h"

#include <algorithm>

#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace {
PrAbout4* loaded = nullptr;

const QString kProductText = QStringLiteral("Quorvane  2");
const QString kCopyrightText = QStringLiteral("Copyright \u00A9 1996-1999 Quorvane Example Labs, Inc.");
const QString kAddressText = QStringLiteral(
    "Quorvane Example Labs, Inc.\n"
    "1200 Example Parkway, Suite 404\n"
    "Exampleville, EX 00000\n"
    "Nowhere Land");
const QString kContactText = QStringLiteral(
    "Phone (555) 555-0142   Fax (555) 555-0143\n"
    "E-mail: support@example.com\n"
    "Web: www.example.org");

// The window's fixed picture: a small price chart.
QPixmap ChartPicture(QSize size)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(pixmap.rect()).adjusted(1, 1, -1, -1);
    painter.setPen(QPen(QColor(0, 0, 96), 1));
    painter.setBrush(QColor(232, 240, 255));
    painter.drawRoundedRect(frame, 3, 3);

    const double w = frame.width();
    const double h = frame.height();
    QPainterPath line;
    line.moveTo(frame.left() + 0.12 * w, frame.top() + 0.78 * h);
    line.lineTo(frame.left() + 0.32 * w, frame.top() + 0.55 * h);
    line.lineTo(frame.left() + 0.48 * w, frame.top() + 0.66 * h);
    line.lineTo(frame.left() + 0.68 * w, frame.top() + 0.34 * h);
    line.lineTo(frame.left() + 0.88 * w, frame.top() + 0.20 * h);
    painter.setPen(QPen(QColor(200, 0, 0), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(line);
    return pixmap;
}

QLabel* AddLabel(QWidget* parent, const char* name, const QString& text, Qt::Alignment alignment)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAlignment(alignment);
    return label;
}

// A horizontal line from left to right at top, in twips.
void AddLine(QWidget* parent, const char* name, int left, int right, int top)
{
    auto* line = new QFrame(parent);
    line->setObjectName(QString::fromLatin1(name));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    platform::SetTwipsGeometry(line, left, top - 15, right - left, 30);
}
} // namespace

PrAbout4::PrAbout4(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("PrAbout4"));
    setWindowTitle(QStringLiteral("About"));
    setAttribute(Qt::WA_DeleteOnClose);
    // The caller's font, as the design's one face throughout; a window does not take it
    // from its parent by itself.
    if (parent)
        setFont(parent->font());
    CreateControls();
    loaded = this;
    Form_Load();
}

PrAbout4::~PrAbout4()
{
    if (loaded == this)
        loaded = nullptr;
}

PrAbout4* PrAbout4::Loaded() { return loaded; }

void PrAbout4::CreateControls()
{
    setFixedSize(platform::TwipsToPixelsX(5595), platform::TwipsToPixelsY(2730));

    Image1 = AddLabel(this, "Image1", QString(), Qt::AlignCenter);
    platform::SetTwipsGeometry(Image1, 180, 180, 615, 555);

    Image2 = AddLabel(this, "Image2", QString(), Qt::AlignCenter);
    platform::SetTwipsGeometry(Image2, 180, 1140, 480, 480);
    Image2->setPixmap(ChartPicture(Image2->size()));

    Label1 = AddLabel(this, "Label1", kProductText, Qt::AlignHCenter | Qt::AlignTop);
    QFont productFont = Label1->font();
    productFont.setPointSize(12);
    productFont.setBold(true);
    Label1->setFont(productFont);
    platform::SetTwipsGeometry(Label1, 210, 90, 5355, 255);
    // The bold face is taller than the design's line: the label takes the height it needs,
    // which the room above the version line holds, or its descenders are cut off.
    Label1->resize(Label1->width(), std::max(Label1->height(), Label1->sizeHint().height()));

    // The sign sits just after the centred product name, whatever width the font gives it.
    Label5 = AddLabel(this, "Label5", QStringLiteral("\u00AE"), Qt::AlignLeft | Qt::AlignTop);
    platform::SetTwipsGeometry(Label5, 3390, 90, 165, 165);
    const int nameRight = Label1->x() + (Label1->width() + Label1->fontMetrics().horizontalAdvance(kProductText)) / 2;
    Label5->move(nameRight + 1, Label5->y());

    Label7 = AddLabel(this, "Label7", QString(), Qt::AlignHCenter | Qt::AlignTop);
    platform::SetTwipsGeometry(Label7, 210, 420, 5355, 195);

    Label2 = AddLabel(this, "Label2", kCopyrightText, Qt::AlignHCenter | Qt::AlignTop);
    platform::SetTwipsGeometry(Label2, 210, 690, 5355, 195);

    AddLine(this, "Line1", 60, 5880, 900);

    Label3 = AddLabel(this, "Label3", kAddressText, Qt::AlignHCenter | Qt::AlignTop);
    platform::SetTwipsGeometry(Label3, 1080, 1020, 3435, 795);

    Command1 = new QPushButton(QStringLiteral("&Close"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    platform::SetTwipsGeometry(Command1, 4500, 1230, 975, 375);
    Command1->setDefault(true);
    connect(Command1, &QPushButton::clicked, this, &PrAbout4::Command1_Click);

    AddLine(this, "Line2", 60, 6060, 1920);

    Label4 = AddLabel(this, "Label4", kContactText, Qt::AlignHCenter | Qt::AlignTop);
    platform::SetTwipsGeometry(Label4, 600, 2040, 4515, 615);

    // A face taller than the design's must not cut off the lines' descenders: the
    // labels grow downwards, and the window with them.
    int bottom = height();
    for (QLabel* label : {Label7, Label2, Label3, Label4}) {
        const int needed = label->sizeHint().height();
        if (needed > label->height())
            label->resize(label->width(), needed);
        bottom = std::max(bottom, label->geometry().bottom() + 1 + platform::TwipsToPixelsY(60));
    }
    if (bottom > height())
        setFixedSize(width(), bottom);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1);
    connect(Timer1, &QTimer::timeout, this, &PrAbout4::Timer1_Timer);
}

void PrAbout4::Form_Load()
{
    const QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
}

void PrAbout4::SetCallerIcon(const QIcon& icon)
{
    Image1->setPixmap(icon.isNull() ? QPixmap() : icon.pixmap(Image1->size().boundedTo(QSize(32, 32))));
}

void PrAbout4::SetVersionText(const QString& text) { Label7->setText(text); }

void PrAbout4::closeEvent(QCloseEvent* event)
{
    // Closed through the frame or by the timer: either way the window is unloaded.
    if (loaded == this)
        loaded = nullptr;
    Timer1->stop();
    event->accept();
}

void PrAbout4::reject() { close(); }

void PrAbout4::Command1_Click() { Timer1->start(); }

void PrAbout4::Timer1_Timer() { close(); }

void ShowAbout(QWidget* caller, const QString& caption, int16_t modality)
{
    PrAbout4* about = PrAbout4::Loaded();
    if (!about)
        about = new PrAbout4(caller);
    about->SetCallerIcon(caller ? caller->windowIcon() : QIcon());
    about->SetVersionText(caption);
    if (modality == 0) {
        about->show();
        about->raise();
        about->activateWindow();
    } else {
        about->exec();
    }
}
