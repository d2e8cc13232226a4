#include "hostile_files.h"
#include "test_files.h"

#include "base/calendar.h"

#include <minizip/zip.h>
#include <zlib.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <stdexcept>

namespace hostile {

namespace {

const char* const kContentTypes =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Default Extension=\"xml\" ContentType=\"application/xml\"/></Types>";
const char* const kWorkbook =
    "<?xml version=\"1.0\"?><workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>"
    "<sheet name=\"Sheet1\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";
const char* const kSheetStart =
    "<?xml version=\"1.0\"?><worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";
const char* const kSheetEnd = "</sheetData></worksheet>";
const std::string kStringsStart = "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">";
const std::string kStringCellSheet = kSheetStart + std::string("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>") + kSheetEnd;

using test_support::ReadText;
using test_support::WriteText;

void Check(bool ok, const char* what)
{
    if (!ok)
        throw std::runtime_error(what);
}

zipFile Create(const std::string& path)
{
    zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    Check(zip != nullptr, "cannot create the archive");
    return zip;
}

void OpenPart(zipFile zip, const std::string& name, int level, bool raw = false)
{
    zip_fileinfo info{};
    Check(zipOpenNewFileInZip3_64(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, level, raw ? 1 : 0,
                                  -MAX_WBITS, 8, Z_DEFAULT_STRATEGY, nullptr, 0, 0)
              == ZIP_OK,
          "cannot open a part");
}

void Write(zipFile zip, const std::string& data)
{
    Check(zipWriteInFileInZip(zip, data.data(), static_cast<unsigned>(data.size())) == ZIP_OK, "cannot write a part");
}

void Part(zipFile zip, const std::string& name, const std::string& text, int level = 6)
{
    OpenPart(zip, name, level);
    Write(zip, text);
    Check(zipCloseFileInZip(zip) == ZIP_OK, "cannot close a part");
}

void Close(zipFile zip) { Check(zipClose(zip, nullptr) == ZIP_OK, "cannot close the archive"); }

} // namespace

void WriteXlsx(const std::string& path, const std::map<std::string, std::string>& parts, int level)
{
    zipFile zip = Create(path);
    for (const auto& [name, text] : parts)
        Part(zip, name, text, level);
    Close(zip);
}

void WriteSheetXlsx(const std::string& path, const std::string& sheetData, const std::string& sharedStrings)
{
    std::map<std::string, std::string> parts{{"[Content_Types].xml", kContentTypes},
                                             {"xl/workbook.xml", kWorkbook},
                                             {"xl/worksheets/sheet1.xml", kSheetStart + sheetData + kSheetEnd}};
    if (!sharedStrings.empty())
        parts["xl/sharedStrings.xml"] = sharedStrings;
    WriteXlsx(path, parts);
}

namespace {

// The part is packed by hand: the block deflated once behind a full flush, which restarts
// the compressor, so the same bytes stand for every repetition of it.
void RepeatedPartXlsx(const std::string& path, const std::string& name, const std::string& start, const std::string& block,
                      uint64_t blocks, const std::string& end, const std::map<std::string, std::string>& others)
{
    z_stream stream{};
    Check(deflateInit2(&stream, 9, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY) == Z_OK, "deflateInit2");
    const auto pack = [&](const std::string& text, int flush) {
        std::string out(deflateBound(&stream, text.size()) + 64, '\0');
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
        stream.avail_in = static_cast<uInt>(text.size());
        stream.next_out = reinterpret_cast<Bytef*>(out.data());
        stream.avail_out = static_cast<uInt>(out.size());
        deflate(&stream, flush);
        out.resize(out.size() - stream.avail_out);
        return out;
    };
    const std::string packedStart = pack(start, Z_FULL_FLUSH);
    const std::string packedBlock = pack(block, Z_FULL_FLUSH);
    const std::string packedEnd = pack(end, Z_FINISH);
    deflateEnd(&stream);

    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(start.data()), static_cast<uInt>(start.size()));
    const uLong blockCrc = crc32(0, reinterpret_cast<const Bytef*>(block.data()), static_cast<uInt>(block.size()));
    for (uint64_t i = 0; i < blocks; ++i)
        crc = crc32_combine(crc, blockCrc, static_cast<z_off_t>(block.size()));
    crc = crc32_combine(crc, crc32(0, reinterpret_cast<const Bytef*>(end.data()), static_cast<uInt>(end.size())),
                        static_cast<z_off_t>(end.size()));

    zipFile zip = Create(path);
    Part(zip, "[Content_Types].xml", kContentTypes);
    Part(zip, "xl/workbook.xml", kWorkbook);
    for (const auto& [other, text] : others)
        Part(zip, other, text);
    OpenPart(zip, name, 9, true);
    Write(zip, packedStart);
    for (uint64_t i = 0; i < blocks; ++i)
        Write(zip, packedBlock);
    Write(zip, packedEnd);
    Check(zipCloseFileInZipRaw64(zip, start.size() + blocks * block.size() + end.size(), crc) == ZIP_OK, "raw close");
    Close(zip);
}

} // namespace

void HonestStringsXlsx(const std::string& path, uint64_t size)
{
    // Strings of 4,000 bytes, each with a different start: deflate packs them about 160:1.
    std::string block;
    uint32_t seed = 1;
    while (block.size() < (4u << 20)) {
        block += "<si><t>";
        for (int i = 0; i < 24; ++i)
            block += static_cast<char>('a' + (seed = seed * 1103515245 + 12345) % 26);
        block += std::string(4000, 'x') + "</t></si>";
    }
    RepeatedPartXlsx(path, "xl/sharedStrings.xml", kStringsStart, block, size / block.size(), "</sst>",
                     {{"xl/worksheets/sheet1.xml", kStringCellSheet}});
}

void ManyCellsXlsx(const std::string& path, uint64_t cells)
{
    // Rows of 16 cells of one digit each, packed about 20:1.
    std::string block;
    uint32_t seed = 1;
    for (int row = 0; row < 4096; ++row) {
        block += "<row>";
        for (int column = 0; column < 16; ++column)
            block += std::string("<c><v>") + static_cast<char>('0' + (seed = seed * 1103515245 + 12345) % 10) + "</v></c>";
        block += "</row>";
    }
    RepeatedPartXlsx(path, "xl/worksheets/sheet1.xml", kSheetStart, block, cells / (4096 * 16), kSheetEnd, {});
}

void LyingPackedSizeXlsx(const std::string& path, uint64_t size)
{
    // A sheet of one cell repeated packs about 500:1; its entry claims 100:1, and a stored
    // part of random bytes makes the file as large as that claim.
    std::string block;
    while (block.size() < (4u << 20))
        block += "<row><c><v>1</v></c><c><v>1</v></c><c><v>1</v></c><c><v>1</v></c><c><v>1</v></c><c><v>1</v></c></row>";
    std::string padding(static_cast<std::size_t>(size / 100), '\0');
    uint32_t seed = 7;
    for (char& c : padding)
        c = static_cast<char>((seed = seed * 1103515245 + 12345) >> 16);
    RepeatedPartXlsx(path, "xl/worksheets/sheet1.xml", kSheetStart, block, size / block.size(), kSheetEnd, {});
    zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_ADDINZIP);
    Check(zip != nullptr, "cannot reopen the archive");
    zip_fileinfo info{};
    Check(zipOpenNewFileInZip64(zip, "xl/media/padding.bin", &info, nullptr, 0, nullptr, 0, nullptr, 0, 0, 0) == ZIP_OK, "padding");
    Write(zip, padding);
    Check(zipCloseFileInZip(zip) == ZIP_OK, "cannot close a part");
    Close(zip);
    PatchEntry(path, "xl/worksheets/sheet1.xml", 18, 20, static_cast<uint32_t>(padding.size()));
}

void JunkEntriesXlsx(const std::string& path, int junk)
{
    zipFile zip = Create(path);
    for (int i = 0; i < junk; ++i)
        Part(zip, "junk/" + std::to_string(i), "x", 0);
    Part(zip, "[Content_Types].xml", kContentTypes);
    Part(zip, "xl/workbook.xml", kWorkbook);
    Part(zip, "xl/worksheets/sheet1.xml", std::string(kSheetStart) + "<row r=\"1\"><c r=\"A1\"><v>7</v></c></row>" + kSheetEnd);
    Close(zip);
}

void SparseWk1(const std::string& path, uint64_t size)
{
    WriteText(path, std::string("\x00\x00\x02\x00\x06\x04", 6));
    Check(truncate(path.c_str(), static_cast<off_t>(size)) == 0, "truncate");
}

void BlankRecordsWk1(const std::string& path, int records)
{
    std::string bytes("\x00\x00\x02\x00\x06\x04", 6);
    const std::string blank("\x0C\x00\x05\x00\x00\x00\x00\x00\x00", 9);
    for (int i = 0; i < records; ++i)
        bytes += blank;
    bytes += std::string("\x01\x00\x00\x00", 4);
    WriteText(path, bytes);
}

void NumbersCsv(const std::string& path, int columns, int rows, bool dated)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::string line = dated ? "Date" : "C0";
    for (int column = 1; column < columns; ++column)
        line += ",C" + std::to_string(column);
    out << line << "\n";
    const int64_t firstDay = base::SerialOfCivil(1000, 1, 1);
    for (int row = 1; row < rows; ++row) {
        if (dated) {
            const base::CivilDate date = base::CivilOfSerial(firstDay + row);
            char text[16];
            std::snprintf(text, sizeof text, "%04d-%02d-%02d", static_cast<int>(date.year), date.month, date.day);
            line = text;
        } else {
            line = std::to_string(row * 31 % 1000);
        }
        for (int column = 1; column < columns; ++column)
            line += "," + std::to_string((row * 31 + column) % 1000);
        out << line << "\n";
    }
    Check(static_cast<bool>(out), "cannot write the CSV file");
}

void SharedStringsXlsx(const std::string& path, uint64_t count)
{
    std::string strings = kStringsStart;
    for (uint64_t i = 0; i < count; ++i)
        strings += "<si><t>" + std::to_string(i * 7919 % 1000003) + "</t></si>";
    strings += "</sst>";
    WriteSheetXlsx(path, "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>1</v></c></row>", strings);
}

void ClaimedDirectoryZip(const std::string& path, uint32_t size)
{
    WriteSheetXlsx(path, "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>");
    std::string bytes = ReadText(path);
    const std::size_t end = bytes.rfind("PK\x05\x06");
    Check(end != std::string::npos, "no end record");
    for (int i = 0; i < 4; ++i)
        bytes[end + 12 + i] = static_cast<char>((size >> (8 * i)) & 0xFF);
    WriteText(path, bytes);
}

void PatchEntry(const std::string& path, const std::string& name, std::size_t localField, std::size_t centralField, uint32_t value)
{
    std::string bytes = ReadText(path);
    const auto put = [&](std::size_t at) {
        for (int i = 0; i < 4; ++i)
            bytes[at + static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
    };
    const std::size_t local = bytes.find(name) - 30;
    const std::size_t central = bytes.find(name, bytes.find(std::string("PK\x01\x02", 4))) - 46;
    Check(bytes.compare(local, 4, std::string("PK\x03\x04", 4)) == 0 && bytes.compare(central, 4, std::string("PK\x01\x02", 4)) == 0,
          "no entry");
    put(local + localField);
    put(central + centralField);
    WriteText(path, bytes);
}

void ClaimedPartSizeZip(const std::string& path, uint32_t size)
{
    WriteSheetXlsx(path, "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>");
    PatchEntry(path, "xl/worksheets/sheet1.xml", 22, 24, size);
}

void HugeCellCsv(const std::string& path, uint64_t size, bool quoted)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "Date,Text\r\n2000-01-03," << (quoted ? "\"" : "");
    const std::string piece(1 << 20, 'x');
    for (uint64_t written = 0; written < size; written += piece.size())
        out.write(piece.data(), static_cast<std::streamsize>(std::min<uint64_t>(piece.size(), size - written)));
    out << (quoted ? "\"" : "") << "\r\n";
    Check(static_cast<bool>(out), "cannot write the CSV file");
}

// GNU time measures the program from its own small process: a child forked from this large
// one would count its pages. prlimit sets the limits first.
Measured Run(const std::string& program, const std::vector<std::string>& arguments, const std::vector<std::string>& environment)
{
    // No address-space limit under the sanitizers: their shadow memory is reserved up front.
    std::string command = "prlimit --cpu=" + std::to_string(kCpuLimitSeconds);
    if (kMemoryScale == 1)
        command += " --as=" + std::to_string(kMemoryLimitMiB << 20);
    command += " env";
    for (const std::string& setting : environment)
        command += " '" + setting + "'";
    command += " /usr/bin/time -o report -f '%x %M' '" + program + "'";
    for (const std::string& argument : arguments)
        command += " '" + argument + "'";
    const test_support::TempFolder folder;
    const test_support::ProcessRun run = test_support::RunShell(folder.Path(), command, {}, 3600);
    // A line before the figures says when a signal ended the program.
    const std::string report = ReadText(folder / "report");
    Measured measured{.out = run.out, .err = run.err};
    Check(std::sscanf(report.c_str() + report.find_last_of('\n', report.size() - 2) + 1, "%d %ld", &measured.exitCode,
                      &measured.peakKiB) == 2,
          "the report of time");
    if (report.find("terminated by signal") != std::string::npos)
        measured.exitCode = -1;
    return measured;
}

} // namespace hostile
