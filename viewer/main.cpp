// viewer [FILE]: shows a pattern file (WK1, BIFF2-4, xlsx or CSV) as a table and a chart.

#include "viewer_window.h"

#include "widgets/focus_frame.h"
#include "widgets/twips.h"
#include "widgets/window_font.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pattern File Viewer"));
    // Tessaport's face, at the size its windows are drawn in.
    QApplication::setFont(platform::WindowFont(8.0));
    platform::ShowFocusFrames();

    ViewerWindow window;
    platform::FitOnScreen(&window);
    window.show();
    // Tessaport passes the file as one argument; a command line split at its blanks
    // (as on Windows) comes back together here.
    const QStringList arguments = QApplication::arguments().mid(1);
    if (!arguments.isEmpty())
        window.OpenFile(arguments.join(u' '));
    return app.exec();
}
