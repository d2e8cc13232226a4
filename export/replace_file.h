#pragma once

#include "sheet/sheet_errors.h"

#include <string>

// For writers that produce a whole file under a name of their own (libxlsxwriter): a
// hidden temporary file beside the destination, then a rename over it, so a failure at any
// point leaves an earlier file at the path as it was.
class ReplaceFile {
public:
    ReplaceFile() = default;
    ~ReplaceFile() { Discard(); }
    ReplaceFile(const ReplaceFile&) = delete;
    ReplaceFile& operator=(const ReplaceFile&) = delete;

    // Reserves the temporary name; kSheetOk, or why the destination cannot be written.
    SheetError Create(const std::string& destination);
    const std::string& TemporaryPath() const { return temporary_; }
    // Makes the finished temporary file durable and renames it over the destination; on
    // failure it is removed.
    SheetError Commit();
    void Discard();

private:
    std::string destination_;
    std::string temporary_;
};
