#pragma once

#include <QProxyStyle>

namespace widgets {

// The system's style, drawing the frame of the control that has the keyboard at all times.
// Fusion and the Windows styles draw it only once the keyboard has moved the focus in that
// window (Tab, an access key), so a control given the focus by the program, by a click or
// by a dialog that closed would show no sign of it.
class FocusFrameStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget = nullptr) const override;
};

// Makes FocusFrameStyle the application's style; call once, after the QApplication is made.
void ShowFocusFrames();

} // namespace widgets
