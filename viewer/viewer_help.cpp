#include "viewer_help.h"

QString ViewerFilesHelp()
{
    return QStringLiteral(
        "The viewer shows the first sheet of a file as a table and charts one column against the dates.\n\n"
        "It opens pattern files (WK1, and the BIFF2, BIFF3 and BIFF4 kinds of XLS that Tessaport writes), "
        "xlsx workbooks and CSV files. A file is read as xlsx when it is a zip archive or named .xlsx, and as "
        "CSV when named .csv; the first row of a CSV file holds the headings.\n\n"
        "The column headed Date holds the dates. A table with a Symbol column (a long table of several "
        "securities) is charted and checked one security at a time: choose it in the Security box.\n\n"
        "Texts longer than 32,767 characters are cut and end in \u2026; damaged or hostile files are refused "
        "with a message.");
}

QString ViewerChecksHelp()
{
    return QStringLiteral(
        "Data > Check data (F7) checks the rows shown (of a long table: the chosen security's) and lists what it "
        "finds; the rows are marked in the table and with red dots on the chart. It finds the columns by the "
        "ends of their headings (Open, High, Low, Close, Volume, Open_Interest) and the period by the usual step "
        "between the dates.\n\n"
        "high-below-low: the high is below the low.\n"
        "outside-range: the open or the close lies outside low..high.\n"
        "bad-price: a price is zero, negative or not a number.\n"
        "negative-volume: the volume or the open interest is below zero.\n"
        "bad-date: the date is no calendar date.\n"
        "duplicate-date: two records on one date.\n"
        "out-of-order: a date earlier than the record before.\n"
        "gap: more calendar days since the record before than the period allows.\n"
        "bad-tick: the close jumps and comes back within a few records.\n"
        "split: the close jumps by a clean ratio (3:2, 2:1, 3:1, 4:1, 5:1, 10:1 or the reverse) and stays there.");
}

QString ViewerAboutText()
{
    return QStringLiteral("Pattern File Viewer\nTessaport " TESSAPORT_VERSION "\n\n"
                          "Shows pattern files, xlsx workbooks and CSV files, and checks the prices in them.");
}
