// make_hostile FOLDER: writes the hostile and the big legal files of the readers' tests into
// FOLDER, for bench/hostile/run to time.

#include "hostile_files.h"

#include <sys/stat.h>

#include <cstdio>
#include <string>

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fputs("usage: make_hostile FOLDER\n", stderr);
        return 2;
    }
    const std::string folder = argv[1];
    const auto path = [&folder](const char* name) { return folder + "/" + name; };
    hostile::HonestStringsXlsx(path("honest-strings.xlsx"), uint64_t{1} << 30);
    hostile::LyingPackedSizeXlsx(path("lying-size.xlsx"), 500u << 20);
    hostile::ManyCellsXlsx(path("cells-2m.xlsx"), 2u << 20);
    hostile::ManyCellsXlsx(path("cells-10m.xlsx"), 10u << 20);
    hostile::JunkEntriesXlsx(path("junk-entries.xlsx"), 9990);
    hostile::SparseWk1(path("sparse.wk1"), uint64_t{3} << 30);
    hostile::NumbersCsv(path("wide.csv"), 65536, 20, false);
    hostile::NumbersCsv(path("long.csv"), 8, 500000, true);
    if (mkfifo(path("fifo").c_str(), 0600) != 0) {
        std::perror("mkfifo");
        return 1;
    }
    return 0;
}
