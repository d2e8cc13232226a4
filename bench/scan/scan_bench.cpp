// Times whole scans of the data folder scanner on a generated tree.
//
//   scan_bench generate ROOT   makes ROOT/Data: 10,010 folders, 100,000 files, and 20
//                              databases of 5 securities in leaves spread over the tree
//   scan_bench run ROOT [N]    scans ROOT/Data N times (default 5) as the system volume
//                              and prints the times, the longest stretch without event
//                              processing and how fast Stop is answered
#include "qv2omg/database_writer.h"
#include "omega/data_library.h"
#include "scan/drive_list.h"
#include "scan/data_folder_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

int Generate(const QString& root)
{
    const QString data = root + QStringLiteral("/Data");
    int files = 0;
    int folders = 0;
    auto touch = [&](const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        ++files;
        return true;
    };
    for (int g = 0; g < 10; ++g) {
        for (int h = 0; h < 10; ++h) {
            const QString mid = data + QStringLiteral("/g%1/h%2").arg(g).arg(h);
            for (int k = 0; k < 99; ++k) {
                const QString leaf = mid + QStringLiteral("/k%1").arg(k);
                if (!QDir().mkpath(leaf))
                    return std::fprintf(stderr, "cannot make %s\n", qPrintable(leaf)), 1;
                ++folders;
                for (int f = 0; f < 10; ++f)
                    if (!touch(leaf + QStringLiteral("/file%1.txt").arg(f)))
                        return 1;
                // Twenty leaves, evenly spread, hold a database.
                const int leafNumber = (g * 10 + h) * 99 + k;
                if (leafNumber % 495 == 7) {
                    const std::string path = QFile::encodeName(leaf).toStdString();
                    qv2omg::Status status = qv2omg::CreateDatabase(path);
                    for (int s = 1; status.IsOk() && s <= 5; ++s) {
                        qv2omg::SecurityInfo info;
                        info.symbol = "SYM" + std::to_string(s);
                        info.description = "Security " + std::to_string(s);
                        status = qv2omg::AddSecurity(path, info, {});
                    }
                    if (!status.IsOk())
                        return std::fprintf(stderr, "%s\n", status.Message().c_str()), 1;
                }
            }
            for (int f = 0; f < 10; ++f)
                if (!touch(mid + QStringLiteral("/file%1.txt").arg(f)))
                    return 1;
            ++folders;
        }
        ++folders;
    }
    std::printf("generated %d folders, %d plain files and 20 databases under %s\n", folders, files, qPrintable(data));
    return 0;
}

int Run(const QString& root, int runs)
{
    if (!omega::TheDataLibrary().Load())
        return std::fprintf(stderr, "cannot load the data-access library\n"), 1;
    ProgramState state;
    state.omegaRootDir = root;
    state.tradeStationDir = root;
    scan::DataFolderDialog dialog(state, nullptr);
    dialog.show();
    if (dialog.placeBox->findText(scan::SystemVolume()) < 0)
        dialog.placeBox->addItem(scan::SystemVolume());
    dialog.placeBox->setCurrentIndex(dialog.placeBox->findText(scan::SystemVolume()));

    // A zero timer fires whenever the scan lets events through.
    std::vector<Clock::time_point> pumps;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] { pumps.push_back(Clock::now()); });
    watcher.start(0);

    auto scanOnce = [&] {
        dialog.folderList->clear();
        pumps.clear();
        const Clock::time_point start = Clock::now();
        dialog.scanButton->click();
        const Clock::time_point end = Clock::now();
        double gap = 0;
        Clock::time_point previous = start;
        for (const Clock::time_point& pump : pumps) {
            gap = std::max(gap, Milliseconds(pump - previous));
            previous = pump;
        }
        gap = std::max(gap, Milliseconds(end - previous));
        return std::pair{Milliseconds(end - start), gap};
    };

    scanOnce();  // warm the tree and the library
    std::vector<double> times;
    double worstGap = 0;
    for (int i = 0; i < runs; ++i) {
        const auto [time, gap] = scanOnce();
        times.push_back(time);
        worstGap = std::max(worstGap, gap);
    }
    std::sort(times.begin(), times.end());
    std::printf("scan: best %.1f ms, median %.1f ms over %d runs\n", times.front(), times[times.size() / 2], runs);
    std::printf("found %d folders; status \"%s\"\n", dialog.folderList->topLevelItemCount(), qPrintable(dialog.StatusText()));
    std::printf("longest stretch without event processing: %.1f ms\n", worstGap);

    // Stop requested at several points of the walk: from the moment it was due (a click
    // waits for the walk to let events through) to the end of the scan.
    double worstStop = 0;
    for (double fraction : {0.1, 0.3, 0.5, 0.7, 0.9}) {
        const auto delay = std::chrono::milliseconds(static_cast<int>(times.front() * fraction));
        bool stopped = false;
        QTimer::singleShot(delay, [&] {
            stopped = true;
            dialog.stopButton->click();
        });
        dialog.folderList->clear();
        const Clock::time_point start = Clock::now();
        dialog.scanButton->click();
        const Clock::time_point end = Clock::now();
        if (stopped)
            worstStop = std::max(worstStop, Milliseconds(end - (start + delay)));
    }
    std::printf("stop answered within %.1f ms of its click (worst of 5)\n", worstStop);
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 3 && args[1] == QLatin1String("generate"))
        return Generate(QDir(args[2]).absolutePath());
    if (args.size() >= 3 && args[1] == QLatin1String("run"))
        return Run(QDir(args[2]).absolutePath(), args.size() > 3 ? args[3].toInt() : 5);
    std::fprintf(stderr, "usage: scan_bench generate ROOT | scan_bench run ROOT [RUNS]\n");
    return 2;
}
