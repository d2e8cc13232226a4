#include "workbook/workbook_reader.h"

#include "platform/native/native_file.h"

#include <algorithm>
#include <cstddef>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr int32_t kMaxColumn = 0xFFFF;
constexpr int32_t kMaxRow = 0xFFFFFF;
// A line of a price table is a few hundred bytes; one of many megabytes is no table.
constexpr std::size_t kMaxLine = 16 << 20;
constexpr std::size_t kBufferSize = 64 * 1024;

class CsvReader {
public:
    CsvReader(const std::string& path, const WorkbookCellSink& sink, base::ReadBudget& budget)
        : path_(path), sink_(sink), budget_(budget), buffer_(kBufferSize)
    {
    }

    ~CsvReader()
    {
        if (fd_ >= 0)
            native::Close(fd_);
    }

    WorkbookInfo Read()
    {
        info_.fileTypeName = "CSV";
        std::string error;
        fd_ = native::OpenRegularForReading(path_, error);
        if (fd_ < 0)
            Fail(error);
        else
            ReadRows();
        if (info_.ok())
            info_.usedRange = WorkbookAreaText(0, 0, lastRow_, lastColumn_);
        return std::move(info_);
    }

private:
    bool ReadRows()
    {
        if (Peek() == 0xEF && end_ - at_ >= 3 && std::memcmp(buffer_.data() + at_, "\xEF\xBB\xBF", 3) == 0) {
            // A byte order mark goes; anything else starting so is text, kept whole (the
            // first read holds the file's first bytes: only regular files are read).
            for (int i = 0; i < 3; ++i)
                Get();
        }
        if (Peek() < 0)
            return Fail(readError_.empty() ? "the file is empty" : readError_);
        while (Peek() >= 0) {
            if (!ReadField())
                return false;
            const int c = Get();
            if (c < 0)
                break;
            if (c == ',') {
                if (++column_ > kMaxColumn)
                    return Fail(LineText() + "more than 65,536 columns, more than can be shown");
                continue;
            }
            // CRLF, LF or a lone CR ends the row.
            if (c == '\r' && Peek() == '\n')
                Get();
            ++line_;
            lineStart_ = consumed_;
            if (++row_ > kMaxRow)
                return Fail(LineText() + "more than 16,777,216 rows, more than can be shown");
            column_ = 0;
        }
        return readError_.empty() || Fail(readError_);
    }
    // Keeps the first failure; false, so a step can end with it.
    bool Fail(std::string what)
    {
        if (info_.error.empty())
            info_.error = std::move(what);
        return false;
    }

    std::string LineText() const { return "line " + std::to_string(line_) + ": "; }

    int Peek()
    {
        if (at_ == end_) {
            if (done_)
                return -1;
            const long long got = native::Read(fd_, buffer_.data(), buffer_.size());
            if (got < 0 && errno == EINTR)
                return Peek();
            if (got <= 0) {
                if (got < 0)
                    readError_ = std::string("cannot read the file: ") + std::strerror(errno);
                done_ = true;
                return -1;
            }
            at_ = 0;
            end_ = static_cast<std::size_t>(got);
        }
        return static_cast<unsigned char>(buffer_[at_]);
    }

    int Get()
    {
        const int c = Peek();
        if (c >= 0) {
            ++at_;
            ++consumed_;
        }
        return c;
    }

    // Adds a byte of the field, keeping at most one past the cap so the cut shows.
    void Keep(int c)
    {
        if (field_.size() <= kMaxCellText)
            field_ += static_cast<char>(c);
    }

    // One field, quoted or not, up to the comma or line end after it (not taken).
    bool ReadField()
    {
        field_.clear();
        const long long startLine = line_;
        if (Peek() == '"') {
            Get();
            for (;;) {
                const int c = Get();
                if (c < 0) {
                    line_ = startLine;
                    return Fail(readError_.empty() ? LineText() + "a quoted field is not closed (the file is cut short)" : readError_);
                }
                if (c == '"') {
                    if (Peek() != '"')
                        break;
                    Get();
                } else if (c == '\n') {
                    ++line_;
                }
                if (c == 0) {
                    Fail("not a CSV file: it holds binary data");
                    return false;
                }
                if (!CheckLineLength(startLine))
                    return false;
                Keep(c);
            }
            const int after = Peek();
            if (after >= 0 && after != ',' && after != '\r' && after != '\n') {
                Fail(LineText() + "text follows a closing quote");
                return false;
            }
        } else {
            for (int c = Peek(); c >= 0 && c != ',' && c != '\r' && c != '\n'; c = Peek()) {
                if (c == 0) {
                    Fail("not a CSV file: it holds binary data");
                    return false;
                }
                if (!CheckLineLength(line_))
                    return false;
                Keep(Get());
            }
        }
        return Place();
    }

    bool CheckLineLength(long long startLine)
    {
        if (consumed_ - lineStart_ <= kMaxLine)
            return true;
        line_ = startLine;
        Fail(LineText() + "longer than 16 MiB, which no table line is");
        return false;
    }

    bool Place()
    {
        if (field_.empty())
            return true;
        WorkbookCell cell;
        cell.row = row_;
        cell.column = column_;
        if (field_.size() > kMaxCellText) {
            WorkbookCutText(field_);
            cell.cut = true;
            ++info_.cutCells;
        }
        int32_t day = 0;
        double number = 0;
        if (row_ > 0 && !cell.cut && WorkbookDayOfIsoDate(field_, day)) {
            cell.kind = CellNumber;
            cell.value = day;
        } else if (row_ > 0 && !cell.cut && ParseNumber(number)) {
            cell.kind = CellNumber;
            cell.value = number;
        } else {
            cell.kind = CellLabel;
            cell.text = std::move(field_);
        }
        lastRow_ = std::max(lastRow_, row_);
        lastColumn_ = std::max(lastColumn_, column_);
        if (sink_(cell))
            return true;
        Fail(budget_.Used() > budget_.Limit() ? budget_.Refusal("the cells") : "the file holds more cells than can be shown");
        return false;
    }

    bool ParseNumber(double& number) const
    {
        const auto [end, error] = std::from_chars(field_.data(), field_.data() + field_.size(), number);
        return error == std::errc() && end == field_.data() + field_.size() && std::isfinite(number);
    }

    const std::string& path_;
    const WorkbookCellSink& sink_;
    base::ReadBudget& budget_;
    WorkbookInfo info_;
    int fd_ = -1;
    std::vector<char> buffer_;
    std::size_t at_ = 0, end_ = 0;
    bool done_ = false;
    std::string readError_;
    uint64_t consumed_ = 0, lineStart_ = 0;
    long long line_ = 1;
    int32_t row_ = 0, column_ = 0, lastRow_ = -1, lastColumn_ = -1;
    std::string field_;
};

} // namespace

uint64_t CsvFieldsAtMost(const std::string& path)
{
    std::string error;
    const int fd = native::OpenRegularForReading(path, error);
    if (fd < 0)
        return 0;
    uint64_t fields = 1;
    std::vector<char> buffer(kBufferSize);
    for (;;) {
        const long long got = native::Read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        fields += static_cast<uint64_t>(std::count_if(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got),
                                                      [](char c) { return c == ',' || c == '\n' || c == '\r'; }));
    }
    native::Close(fd);
    return fields;
}

WorkbookInfo ReadCsvFile(const std::string& path, const WorkbookCellSink& sink, base::ReadBudget& budget)
{
    return CsvReader(path, sink, budget).Read();
}

WorkbookInfo ReadCsvFile(const std::string& path, const WorkbookCellSink& sink)
{
    base::ReadBudget budget;
    return ReadCsvFile(path, sink, budget);
}
