#include "widgets/focus_frame.h"

#include <QApplication>
#include <QStyleOption>

namespace widgets {
namespace {

// Marks a focused control's option as if the keyboard had moved the focus, for one drawing.
// Every option a widget draws with is its own object, made for that paint.
class KeyboardFocusMark {
public:
    explicit KeyboardFocusMark(const QStyleOption* option)
        : option_(const_cast<QStyleOption*>(option)),
          marked_(option_ && (option_->state & QStyle::State_HasFocus) &&
                  !(option_->state & QStyle::State_KeyboardFocusChange))
    {
        if (marked_)
            option_->state |= QStyle::State_KeyboardFocusChange;
    }
    ~KeyboardFocusMark()
    {
        if (marked_)
            option_->state &= ~QStyle::State_KeyboardFocusChange;
    }
    KeyboardFocusMark(const KeyboardFocusMark&) = delete;
    KeyboardFocusMark& operator=(const KeyboardFocusMark&) = delete;

private:
    QStyleOption* option_;
    bool marked_;
};

} // namespace

void FocusFrameStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                    const QWidget* widget) const
{
    const KeyboardFocusMark mark(option);
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void FocusFrameStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                                  const QWidget* widget) const
{
    const KeyboardFocusMark mark(option);
    QProxyStyle::drawControl(element, option, painter, widget);
}

void FocusFrameStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                         QPainter* painter, const QWidget* widget) const
{
    const KeyboardFocusMark mark(option);
    QProxyStyle::drawComplexControl(control, option, painter, widget);
}

void ShowFocusFrames()
{
    QApplication::setStyle(new FocusFrameStyle);
}

} // namespace widgets
