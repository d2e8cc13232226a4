#pragma once

#include <QPointer>
#include <QWidget>

namespace widgets {

// Around a modal box or dialog shown over `parent`: when it goes, the parent's window is
// made active again and its focused control gets the focus back. A window manager does
// this by itself; with none, the keyboard would reach no window at all.
class ModalReturn {
public:
    explicit ModalReturn(QWidget* parent);
    ~ModalReturn();
    ModalReturn(const ModalReturn&) = delete;
    ModalReturn& operator=(const ModalReturn&) = delete;

private:
    QPointer<QWidget> owner_;
    QPointer<QWidget> focus_;
};

} // namespace widgets
