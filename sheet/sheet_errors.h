#pragma once

#include <cstdint>
#include <string>

// Results of the pattern file writer. The numbers are what callers see and show;
// they follow the classic BASIC file-error numbering that the package's users know.
enum SheetError : int16_t {
    kSheetOk = 0,
    kSheetInvalidArgument = 5,
    kSheetOverflow = 6,
    kSheetBadHandle = 9,
    kSheetBadFileName = 52,
    kSheetFileNotFound = 53,
    kSheetFileAlreadyOpen = 55,
    kSheetDeviceIoError = 57,
    kSheetDiskFull = 61,
    kSheetTooManyFiles = 67,
    kSheetDeviceUnavailable = 68,
    kSheetPermissionDenied = 70,
    kSheetDiskNotReady = 71,
    kSheetFeatureUnavailable = 73,
    kSheetPathFileAccessError = 75,
    kSheetPathNotFound = 76,
};

// The description of a writer result, as the user reads it ("Disk full").
std::string SheetErrorText(int code);

// The writer result for a failed file operation's errno.
SheetError SheetErrorFromErrno(int errorNumber);
