// The cells of a wide merge of close prices written straight from memory, the yardstick of
// the merge's cost: straight_write xlsx|csv SECURITIES RECORDS OUT. Every security holds a
// record on every row here, the merge's worst case for cells written.

#include <xlsxwriter.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char* argv[])
{
    if (argc != 5)
        return 2;
    const std::string format = argv[1];
    const int securities = std::atoi(argv[2]);
    const int records = std::atoi(argv[3]);
    std::vector<float> closes(static_cast<size_t>(securities) * records);
    for (size_t i = 0; i < closes.size(); ++i)
        closes[i] = 10.13f + static_cast<float>(i % 5000) * 0.01f;

    if (format == "xlsx") {
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        lxw_workbook* workbook = workbook_new_opt(argv[4], &options);
        lxw_worksheet* sheet = workbook_add_worksheet(workbook, nullptr);
        lxw_format* date = workbook_add_format(workbook);
        format_set_num_format(date, "yyyy-mm-dd");
        worksheet_write_string(sheet, 0, 0, "Date", nullptr);
        for (int s = 0; s < securities; ++s)
            worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(s + 1), ("S" + std::to_string(s) + "_Close").c_str(), nullptr);
        for (int r = 0; r < records; ++r) {
            worksheet_write_number(sheet, static_cast<lxw_row_t>(r + 1), 0, 10000 + r, date);
            for (int s = 0; s < securities; ++s)
                worksheet_write_number(sheet, static_cast<lxw_row_t>(r + 1), static_cast<lxw_col_t>(s + 1),
                                       closes[static_cast<size_t>(s) * records + r], nullptr);
        }
        return workbook_close(workbook) == LXW_NO_ERROR ? 0 : 1;
    }
    std::FILE* out = std::fopen(argv[4], "wb");
    static char buffer[1 << 16];
    std::setvbuf(out, buffer, _IOFBF, sizeof buffer);
    std::fputs("Date", out);
    for (int s = 0; s < securities; ++s)
        std::fprintf(out, ",S%d_Close", s);
    std::fputs("\r\n", out);
    char text[32];
    for (int r = 0; r < records; ++r) {
        std::fputs("1990-01-01", out);
        for (int s = 0; s < securities; ++s) {
            std::fputc(',', out);
            const auto end = std::to_chars(text, text + sizeof text, closes[static_cast<size_t>(s) * records + r]).ptr;
            std::fwrite(text, 1, static_cast<size_t>(end - text), out);
        }
        std::fputs("\r\n", out);
    }
    return std::fclose(out) == 0 ? 0 : 1;
}
