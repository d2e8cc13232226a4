// The xlsx reader, and the zip reader under it. The first byte chooses what the rest is: 0, a
// whole archive; 1, the sheet's XML; 2, the shared-string table's XML, each packed (stored)
// with the other usual parts.

#include "workbook_check.h"

#include <minizip/zip.h>

namespace {

void Pack(const std::string& path, const std::string& sheet, const std::string& strings)
{
    zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    FUZZ_CHECK(zip != nullptr);
    const auto part = [zip](const char* name, const std::string& text) {
        zip_fileinfo info{};
        FUZZ_CHECK(zipOpenNewFileInZip64(zip, name, &info, nullptr, 0, nullptr, 0, nullptr, 0, 0, 0) == ZIP_OK);
        FUZZ_CHECK(zipWriteInFileInZip(zip, text.data(), static_cast<unsigned>(text.size())) == ZIP_OK);
        FUZZ_CHECK(zipCloseFileInZip(zip) == ZIP_OK);
    };
    part("xl/workbook.xml", "<workbook><sheets><sheet name=\"S\" r:id=\"rId1\"/></sheets>"
                            "<definedNames><definedName name=\"N\">S!$A$1:$B$2</definedName></definedNames></workbook>");
    part("xl/styles.xml", "<styleSheet><cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/></cellXfs></styleSheet>");
    part("xl/worksheets/sheet1.xml", sheet);
    part("xl/sharedStrings.xml", strings);
    FUZZ_CHECK(zipClose(zip, nullptr) == ZIP_OK);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::string path;
    if (data[0] == 0) {
        path = fuzz::WriteInput("input.xlsx", data + 1, size - 1);
    } else {
        path = fuzz::Folder() + "/input.xlsx";
        const std::string sheet = "<worksheet><sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row></sheetData></worksheet>";
        Pack(path, data[0] == 1 ? rest : sheet, data[0] == 1 ? "<sst><si><t>x</t></si></sst>" : rest);
    }
    const bool utf8 = fuzz::IsValidUtf8(rest);
    // A budget of one block of shared strings and a few cells more, counted as a caller that
    // keeps the cells counts them.
    base::ReadBudget budget(base::kReadBudget - (uint64_t{4} << 20) - 1024);
    const WorkbookInfo info = ReadXlsxFile(
        path,
        [utf8, &budget](const WorkbookCell& cell) {
            fuzz::CheckCell(cell, 1048575, 16383);
            FUZZ_CHECK(!utf8 || fuzz::IsValidUtf8(cell.text));
            return budget.Take(64 + cell.text.size());
        },
        budget);
    FUZZ_CHECK(info.ok() || !info.error.empty());
    // A reading past the budget ends with its message (the reader may refuse before passing it).
    if (budget.Used() > budget.Limit())
        FUZZ_CHECK(info.error == budget.Refusal("the shared strings and cells") || info.error == budget.Refusal("the shared strings"));
    for (const WorkbookName& name : info.names)
        FUZZ_CHECK(name.firstRow >= 0 && name.lastRow <= 1048575 && name.firstColumn >= 0 && name.lastColumn <= 16383);
    return 0;
}
