// viewer_probe FILE: the viewer's window opens the file, is shown and painted once, and
// says what became of it: "shown COLUMNS ROWS" (exit 0) or "refused: MESSAGE" (exit 3).
// The hostile-file test runs it as a child to measure its peak memory and time.

#include "widgets/message_box.h"
#include "viewer_window.h"

#include <QApplication>
#include <QTableView>

#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc != 2)
        return 2;
    widgets::RecordedMessages messages;
    ViewerWindow window;
    const bool shown = window.OpenFile(QString::fromLocal8Bit(argv[1]));
    window.show();
    QApplication::processEvents();
    window.grab();
    if (!shown) {
        std::printf("refused: %s\n", messages.All().empty() ? "" : qPrintable(messages.All().front().text));
        return 3;
    }
    const auto* table = window.findChild<QTableView*>(QStringLiteral("tblCells"));
    std::printf("shown %d %d\n", table->model()->columnCount(), table->model()->rowCount());
    return 0;
}
