#pragma once

#include "import/import_job.h"
#include "omega/omega_date.h"

// A security's data file open between the request's days, closed on every way out.
class DataFile {
public:
    DataFile(const omega::DataLibrary& library, const ImportRequest& request) : library_(library)
    {
        const OmegaDate first = omega::SerialToOmegaDate(request.firstDay);
        const OmegaDate last = omega::SerialToOmegaDate(request.lastDay);
        opened_ = library_.OpenDataFile(request.dataDir.constData(), request.symbol.constData(), &first, &last,
                                        &context_) == 0;
    }
    ~DataFile() { Close(); }
    DataFile(const DataFile&) = delete;
    DataFile& operator=(const DataFile&) = delete;

    // False when the library could not open it (say, too many files open at once).
    bool Opened() const { return opened_; }
    int16_t Read(PriceRecord& record) { return open_ ? library_.ReadData(&context_, &record, 1) : int16_t{0}; }
    void Close()
    {
        if (open_)
            library_.CloseDataFile(&context_);
        open_ = false;
    }

private:
    const omega::DataLibrary& library_;
    FileContext context_{};
    bool opened_ = false;
    bool open_ = true;  // a failed open reads nothing, and closing it again is harmless
};
