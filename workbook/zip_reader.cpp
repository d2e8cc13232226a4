#include "workbook/zip_reader.h"

#include "platform/native/native_file.h"

#include <minizip/unzip.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// minizip's file functions over a descriptor of the native file layer; a short read is an
// error.
voidpf ZCALLBACK ZipOpen(voidpf opaque, const void*, int) { return opaque; }
uLong ZCALLBACK ZipRead(voidpf, voidpf stream, void* buffer, uLong size)
{
    auto* file = static_cast<ZipFile*>(stream);
    const int fd = file->fd;
    uLong done = 0;
    while (done < size) {
        const long long got = native::Read(fd, static_cast<char*>(buffer) + done, size - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<uLong>(got);
    }
    file->shortRead = file->shortRead || done < size;
    return done;
}
uLong ZCALLBACK ZipWrite(voidpf, voidpf, const void*, uLong) { return 0; }
ZPOS64_T ZCALLBACK ZipTell(voidpf, voidpf stream)
{
    const long long at = native::Seek(static_cast<ZipFile*>(stream)->fd, 0, SEEK_CUR);
    return at < 0 ? static_cast<ZPOS64_T>(-1) : static_cast<ZPOS64_T>(at);
}
long ZCALLBACK ZipSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    const int whence = origin == ZLIB_FILEFUNC_SEEK_CUR ? SEEK_CUR : origin == ZLIB_FILEFUNC_SEEK_END ? SEEK_END : SEEK_SET;
    if (offset > static_cast<ZPOS64_T>(INT64_MAX))
        return -1;
    return native::Seek(static_cast<ZipFile*>(stream)->fd, static_cast<long long>(offset), whence) < 0 ? -1 : 0;
}
int ZCALLBACK ZipClose(voidpf, voidpf) { return 0; }
int ZCALLBACK ZipError(voidpf, voidpf stream) { return static_cast<ZipFile*>(stream)->shortRead ? 1 : 0; }

constexpr std::size_t kPackedChunk = 64 * 1024;

const char* const kDamagedDirectory = "the zip directory is missing or damaged (the file is cut short or is no xlsx file)";

std::string Damaged(const std::string& member, const char* why) { return "the part " + member + " is damaged (" + why + ")"; }

} // namespace

ZipReader::~ZipReader()
{
    CloseMember();
    if (zip_)
        unzClose(zip_);
    if (file_.fd >= 0)
        native::Close(file_.fd);
}

bool ZipReader::Open(const std::string& path, std::string& error)
{
    file_.fd = native::OpenForReading(path);
    if (file_.fd < 0) {
        error = std::string("cannot open the file: ") + std::strerror(errno);
        return false;
    }
    zlib_filefunc64_def functions{ZipOpen, ZipRead, ZipWrite, ZipTell, ZipSeek, ZipClose, ZipError, &file_};
    zip_ = unzOpen2_64("", &functions);
    if (!zip_) {
        error = kDamagedDirectory;
        return false;
    }
    return true;
}

// Makes the member current; minizip reads the directory one entry at a time, so a
// directory that claims more entries than it holds costs nothing up front.
ZipReader::Found ZipReader::Locate(std::string_view name)
{
    if (!zip_ || unzGoToFirstFile(zip_) != UNZ_OK)
        return Found::Damaged;
    char found[512];
    for (std::size_t i = 0; i < kMaxMembers; ++i) {
        unz_file_info64 info{};
        if (unzGetCurrentFileInfo64(zip_, &info, found, sizeof found, nullptr, 0, nullptr, 0) != UNZ_OK)
            return Found::Damaged;
        if (info.size_filename < sizeof found && name == std::string_view(found, info.size_filename))
            return Found::Yes;
        const int next = unzGoToNextFile(zip_);
        if (next == UNZ_END_OF_LIST_OF_FILE)
            return Found::No;
        if (next != UNZ_OK)
            return Found::Damaged;
    }
    return Found::No;
}

bool ZipReader::Has(std::string_view name, std::string& error)
{
    CloseMember();
    const Found found = Locate(name);
    if (found == Found::Damaged)
        error = kDamagedDirectory;
    return found == Found::Yes;
}

bool ZipReader::OpenMember(std::string_view name, std::string& error)
{
    CloseMember();
    member_ = name;
    const Found found = Locate(name);
    if (found != Found::Yes) {
        error = found == Found::No ? "the part " + member_ + " is missing" : kDamagedDirectory;
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
    int method = 0, level = 0;
    if (unzOpenCurrentFile2(zip_, &method, &level, 1) != UNZ_OK) {
        error = Damaged(member_, "no local header");
        return false;
    }
    memberOpen_ = true;
    memberSize_ = info.uncompressed_size;
    memberRead_ = 0;
    expectedCrc_ = static_cast<uint32_t>(info.crc);
    crc_ = static_cast<uint32_t>(crc32(0, nullptr, 0));
    packedDone_ = false;
    if (info.compression_method == Z_DEFLATED) {
        auto* stream = new z_stream{};
        if (inflateInit2(stream, -MAX_WBITS) != Z_OK) {
            delete stream;
            error = "cannot unpack the part " + member_ + ": out of memory";
            CloseMember();
            return false;
        }
        inflater_ = stream;
        packed_.resize(kPackedChunk);
    }
    return true;
}

long long ZipReader::Fail(std::string& error, const char* why)
{
    error = Damaged(member_, why);
    CloseMember();
    return -1;
}

long long ZipReader::Read(char* buffer, std::size_t size, std::string& error)
{
    if (!memberOpen_) {
        error = "no part is open";
        return -1;
    }
    const auto chunk = static_cast<unsigned>(std::min<std::size_t>(size, kPackedChunk));
    long long got = 0;
    if (!inflater_) {
        // Stored: the packed bytes are the data.
        got = unzReadCurrentFile(zip_, buffer, chunk);
        if (got < 0)
            return Fail(error, "it runs past the end of the file");
    } else {
        auto* stream = static_cast<z_stream*>(inflater_);
        stream->next_out = reinterpret_cast<Bytef*>(buffer);
        stream->avail_out = chunk;
        while (stream->avail_out == chunk && !packedDone_) {
            if (stream->avail_in == 0) {
                const int packed = unzReadCurrentFile(zip_, packed_.data(), static_cast<unsigned>(packed_.size()));
                if (packed < 0)
                    return Fail(error, "it runs past the end of the file");
                if (packed == 0)
                    return Fail(error, "it is cut short");
                stream->next_in = reinterpret_cast<Bytef*>(packed_.data());
                stream->avail_in = static_cast<uInt>(packed);
            }
            const int result = inflate(stream, Z_NO_FLUSH);
            if (result == Z_STREAM_END)
                packedDone_ = true;
            else if (result != Z_OK && result != Z_BUF_ERROR)
                return Fail(error, "bad compressed data");
        }
        got = chunk - stream->avail_out;
    }
    if (static_cast<uint64_t>(got) > memberSize_ - memberRead_)
        return Fail(error, "it unpacks to more than its entry declares");
    memberRead_ += static_cast<uint64_t>(got);
    crc_ = static_cast<uint32_t>(crc32(crc_, reinterpret_cast<const Bytef*>(buffer), static_cast<uInt>(got)));
    if (got > 0)
        return got;
    // The end: all that the directory declares, with the checksum it gives.
    if (memberRead_ != memberSize_)
        return Fail(error, "it is cut short");
    if (crc_ != expectedCrc_)
        return Fail(error, "checksum mismatch");
    CloseMember();
    return 0;
}

void ZipReader::CloseMember()
{
    if (memberOpen_ && zip_)
        unzCloseCurrentFile(zip_);
    memberOpen_ = false;
    if (auto* stream = static_cast<z_stream*>(inflater_)) {
        inflateEnd(stream);
        delete stream;
    }
    inflater_ = nullptr;
}
