#include "sheet/sheet_errors.h"

#include <cerrno>

std::string SheetErrorText(int code)
{
    switch (code) {
    case kSheetOk: return "No error";
    case kSheetInvalidArgument: return "Invalid argument: the value does not fit the file format";
    case kSheetOverflow: return "Overflow: the row does not fit the file format";
    case kSheetBadHandle: return "File handle out of range";
    case kSheetBadFileName: return "Bad file name or number";
    case kSheetFileNotFound: return "File not found";
    case kSheetFileAlreadyOpen: return "File already open";
    case kSheetDeviceIoError: return "Device I/O error";
    case kSheetDiskFull: return "Disk full";
    case kSheetTooManyFiles: return "Too many files";
    case kSheetDeviceUnavailable: return "Device unavailable";
    case kSheetPermissionDenied: return "Permission denied";
    case kSheetDiskNotReady: return "Disk not ready";
    case kSheetFeatureUnavailable: return "Advanced feature unavailable: this build does not write that format";
    case kSheetPathFileAccessError: return "Path/File access error";
    case kSheetPathNotFound: return "Path not found";
    default: return "Unknown error " + std::to_string(code);
    }
}

SheetError SheetErrorFromErrno(int errorNumber)
{
    switch (errorNumber) {
    case ENOENT:
    case ENOTDIR:
    case ELOOP:
        return kSheetPathNotFound;
    case ENAMETOOLONG:
    case EBADF:
        return kSheetBadFileName;
    case EACCES:
    case EPERM:
    case EROFS:
        return kSheetPermissionDenied;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
    case EFBIG:
        return kSheetDiskFull;
    case EIO:
        return kSheetDeviceIoError;
    case EMFILE:
    case ENFILE:
        return kSheetTooManyFiles;
    case ENODEV:
    case ENXIO:
        return kSheetDeviceUnavailable;
#ifdef ENOMEDIUM
    case ENOMEDIUM:
#endif
    case EBUSY:
        return kSheetDiskNotReady;
    default:
        return kSheetPathFileAccessError;
    }
}
