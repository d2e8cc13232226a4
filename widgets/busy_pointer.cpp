#include "busy_pointer.h"

#include <QCursor>
#include <QGuiApplication>

namespace widgets {

namespace {
bool busyShown = false;
}

void SetBusyPointer(bool busy)
{
    if (busy == busyShown)
        return;
    busyShown = busy;
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return;
    if (busy)
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    else
        QGuiApplication::restoreOverrideCursor();
}

bool IsBusyPointer() { return busyShown; }

} // namespace widgets
