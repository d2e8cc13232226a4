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
AboutDialog* loaded = nullptr;

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
QPixmap DrawChart(QSize size)
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

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutDialog"));
    setWindowTitle(QStringLiteral("About"));
    setAttribute(Qt::WA_DeleteOnClose);
    // The caller's font, as the design's one face throughout; a window does not take it
    // from its parent by itself.
    if (parent)
        setFont(parent->font());
    CreateControls();
    loaded = this;
    CentreOnScreen();
}

AboutDialog::~AboutDialog()
{
    if (loaded == this)
        loaded = nullptr;
}

AboutDialog* AboutDialog::Loaded() { return loaded; }

void AboutDialog::CreateControls()
{
    setFixedSize(platform::TwipsToPixelsX(5595), platform::TwipsToPixelsY(2730));

    callerIcon_ = AddLabel(this, "callerIcon", QString(), Qt::AlignCenter);
    platform::SetTwipsGeometry(callerIcon_, 180, 180, 615, 555);

    chartPicture_ = AddLabel(this, "chartPicture", QString(), Qt::AlignCenter);
    platform::SetTwipsGeometry(chartPicture_, 180, 1140, 480, 480);
    chartPicture_->setPixmap(DrawChart(chartPicture_->size()));

    productLabel_ = AddLabel(this, "productLabel", kProductText, Qt::AlignHCenter | Qt::AlignTop);
    QFont productFont = productLabel_->font();
    productFont.setPointSize(12);
    productFont.setBold(true);
    productLabel_->setFont(productFont);
    platform::SetTwipsGeometry(productLabel_, 210, 90, 5355, 255);
    // The bold face is taller than the design's line: the label takes the height it needs,
    // which the room above the version line holds, or its descenders are cut off.
    productLabel_->resize(productLabel_->width(),
                          std::max(productLabel_->height(), productLabel_->sizeHint().height()));

    // The sign sits just after the centred product name, whatever width the font gives it.
    registeredMark_ = AddLabel(this, "registeredMark", QStringLiteral("\u00AE"), Qt::AlignLeft | Qt::AlignTop);
    platform::SetTwipsGeometry(registeredMark_, 3390, 90, 165, 165);
    const int nameWidth = productLabel_->fontMetrics().horizontalAdvance(kProductText);
    const int nameRight = productLabel_->x() + (productLabel_->width() + nameWidth) / 2;
    registeredMark_->move(nameRight + 1, registeredMark_->y());

    versionLabel_ = AddLabel(this, "versionLabel", QString(), Qt::AlignHCenter | Qt::AlignTop);
    platform::SetTwipsGeometry(versionLabel_, 210, 420, 5355, 195);

    copyrightLabel_ = AddLabel(this, "copyrightLabel", kCopyrightText, Qt::AlignHCenter | Qt::AlignTop);
    platform::SetTwipsGeometry(copyrightLabel_, 210, 690, 5355, 195);

    AddLine(this, "upperRule", 60, 5880, 900);

    addressLabel_ = AddLabel(this, "addressLabel", kAddressText, Qt::AlignHCenter | Qt::AlignTop);
    platform::SetTwipsGeometry(addressLabel_, 1080, 1020, 3435, 795);

    closeButton_ = new QPushButton(QStringLiteral("&Close"), this);
    closeButton_->setObjectName(QStringLiteral("closeButton"));
    platform::SetTwipsGeometry(closeButton_, 4500, 1230, 975, 375);
    closeButton_->setDefault(true);
    connect(closeButton_, &QPushButton::clicked, this, &AboutDialog::startClosing);

    AddLine(this, "lowerRule", 60, 6060, 1920);

    contactLabel_ = AddLabel(this, "contactLabel", kContactText, Qt::AlignHCenter | Qt::AlignTop);
    platform::SetTwipsGeometry(contactLabel_, 600, 2040, 4515, 615);

    // A face taller than the design's must not cut off the lines' descenders: the
    // labels grow downwards, and the window with them.
    int bottom = height();
    for (QLabel* label : {versionLabel_, copyrightLabel_, addressLabel_, contactLabel_}) {
        const int needed = label->sizeHint().height();
        if (needed > label->height())
            label->resize(label->width(), needed);
        bottom = std::max(bottom, label->geometry().bottom() + 1 + platform::TwipsToPixelsY(60));
    }
    if (bottom > height())
        setFixedSize(width(), bottom);

    closeTimer_ = new QTimer(this);
    closeTimer_->setObjectName(QStringLiteral("closeTimer"));
    closeTimer_->setInterval(1);
    connect(closeTimer_, &QTimer::timeout, this, &QWidget::close);
}

void AboutDialog::CentreOnScreen()
{
    const QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
}

void AboutDialog::SetCallerIcon(const QIcon& icon)
{
    callerIcon_->setPixmap(icon.isNull() ? QPixmap() : icon.pixmap(callerIcon_->size().boundedTo(QSize(32, 32))));
}

void AboutDialog::SetVersionText(const QString& text) { versionLabel_->setText(text); }

void AboutDialog::closeEvent(QCloseEvent* event)
{
    // Closed through the frame or by the timer: either way the window is unloaded.
    if (loaded == this)
        loaded = nullptr;
    closeTimer_->stop();
    event->accept();
}

void AboutDialog::reject() { close(); }

void AboutDialog::startClosing() { closeTimer_->start(); }

void ShowAbout(QWidget* caller, const QString& caption, int16_t modality)
{
    AboutDialog* about = AboutDialog::Loaded();
    if (!about)
        about = new AboutDialog(caller);
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
