#include "workbook/zip_reader.h"

#include "platform/native/native_file.h"

#include <minizip/unzip.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// minizip's file functions over a descriptor of the native file layer.
voidpf ZCALLBACK ZipOpen(voidpf opaque, const void*, int) { return opaque; }
uLong ZCALLBACK ZipRead(voidpf, voidpf stream, void* buffer, uLong size)
{
    const int fd = *static_cast<int*>(stream);
    uLong done = 0;
    while (done < size) {
        const long long got = native::Read(fd, static_cast<char*>(buffer) + done, size - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<uLong>(got);
    }
    return done;
}
uLong ZCALLBACK ZipWrite(voidpf, voidpf, const void*, uLong) { return 0; }
ZPOS64_T ZCALLBACK ZipTell(voidpf, voidpf stream)
{
    const long long at = native::Seek(*static_cast<int*>(stream), 0, SEEK_CUR);
    return at < 0 ? static_cast<ZPOS64_T>(-1) : static_cast<ZPOS64_T>(at);
}
long ZCALLBACK ZipSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    const int whence = origin == ZLIB_FILEFUNC_SEEK_CUR ? SEEK_CUR : origin == ZLIB_FILEFUNC_SEEK_END ? SEEK_END : SEEK_SET;
    if (offset > static_cast<ZPOS64_T>(INT64_MAX))
        return -1;
    return native::Seek(*static_cast<int*>(stream), static_cast<long long>(offset), whence) < 0 ? -1 : 0;
}
int ZCALLBACK ZipClose(voidpf, voidpf) { return 0; }
int ZCALLBACK ZipError(voidpf, voidpf) { return 0; }

std::string Damaged(const std::string& member, const char* why) { return "the part " + member + " is damaged (" + why + ")"; }

} // namespace

ZipReader::~ZipReader()
{
    CloseMember();
    if (zip_)
        unzClose(zip_);
    if (fd_ >= 0)
        native::Close(fd_);
}

bool ZipReader::Open(const std::string& path, std::string& error)
{
    fd_ = native::OpenForReading(path);
    if (fd_ < 0) {
        error = std::string("cannot open the file: ") + std::strerror(errno);
        return false;
    }
    zlib_filefunc64_def functions{ZipOpen, ZipRead, ZipWrite, ZipTell, ZipSeek, ZipClose, ZipError, &fd_};
    zip_ = unzOpen2_64("", &functions);
    if (!zip_) {
        error = "the zip directory is missing or damaged (the file is cut short or is no xlsx file)";
        return false;
    }
    return true;
}

// Makes the member current; minizip reads the directory one entry at a time, so a
// directory that claims more entries than it holds costs nothing up front.
bool ZipReader::Locate(std::string_view name)
{
    if (!zip_ || unzGoToFirstFile(zip_) != UNZ_OK)
        return false;
    char found[512];
    for (std::size_t i = 0; i < kMaxMembers; ++i) {
        unz_file_info64 info{};
        if (unzGetCurrentFileInfo64(zip_, &info, found, sizeof found, nullptr, 0, nullptr, 0) != UNZ_OK)
            return false;
        if (info.size_filename < sizeof found && name == std::string_view(found, info.size_filename))
            return true;
        if (unzGoToNextFile(zip_) != UNZ_OK)
            return false;
    }
    return false;
}

bool ZipReader::Has(std::string_view name)
{
    CloseMember();
    return Locate(name);
}

bool ZipReader::OpenMember(std::string_view name, std::string& error)
{
    CloseMember();
    member_ = name;
    if (!Locate(name)) {
        error = "the part " + member_ + " is missing";
        return false;
    }
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(zip_, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) {
        error = Damaged(member_, "its directory entry");
        return false;
    }
    if (info.flag & 1) {
        error = "the part " + member_ + " is encrypted";
        return false;
    }
    if (info.compression_method != 0 && info.compression_method != Z_DEFLATED) {
        error = "the part " + member_ + " uses an unknown compression method (" + std::to_string(info.compression_method) + ")";
        return false;
    }
    if (info.compression_method == 0 && info.compressed_size != info.uncompressed_size) {
        error = Damaged(member_, "its sizes disagree");
        return false;
    }
    if (info.uncompressed_size > kMaxMemberSize
        || (info.uncompressed_size > kFreeSize && info.uncompressed_size / kMaxRatio > info.compressed_size)) {
        error = "the part " + member_ + " would unpack to " + std::to_string(info.uncompressed_size)
            + " bytes from " + std::to_string(info.compressed_size) + ", more than an xlsx file holds (a zip bomb?)";
        return false;
    }
    if (unzOpenCurrentFile(zip_) != UNZ_OK) {
        error = Damaged(member_, "no local header");
        return false;
    }
    memberOpen_ = true;
    memberSize_ = info.uncompressed_size;
    memberRead_ = 0;
    return true;
}

long long ZipReader::Read(char* buffer, std::size_t size, std::string& error)
{
    if (!memberOpen_) {
        error = "no part is open";
        return -1;
    }
    const int got = unzReadCurrentFile(zip_, buffer, static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30)));
    if (got < 0) {
        error = Damaged(member_, got == Z_DATA_ERROR ? "bad compressed data" : "it runs past the end of the file");
        return -1;
    }
    memberRead_ += static_cast<uint64_t>(got);
    if (got > 0)
        return got;
    // The end: all that the directory declares, with the checksum it gives.
    const bool whole = memberRead_ == memberSize_;
    memberOpen_ = false;
    const int closed = unzCloseCurrentFile(zip_);
    if (!whole) {
        error = Damaged(member_, "it is cut short");
        return -1;
    }
    if (closed != UNZ_OK) {
        error = Damaged(member_, "checksum mismatch");
        return -1;
    }
    return 0;
}

void ZipReader::CloseMember()
{
    if (memberOpen_ && zip_)
        unzCloseCurrentFile(zip_);
    memberOpen_ = false;
}
