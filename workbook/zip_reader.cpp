#include "workbook/zip_reader.h"

#include "platform/native/native_file.h"

#include <minizip/unzip.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::size_t kFileBuffer = 64 * 1024;

// Fills the buffer from the file at `at`; false at the end of the file or on an error.
bool Fill(ZipFile& file, uint64_t at)
{
    file.bufferStart = at;
    file.buffered = 0;
    if (at >= file.size || native::Seek(file.fd, static_cast<long long>(at), SEEK_SET) < 0)
        return false;
    while (file.buffered < file.buffer.size()) {
        const long long got = native::Read(file.fd, file.buffer.data() + file.buffered, file.buffer.size() - file.buffered);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        file.buffered += static_cast<std::size_t>(got);
    }
    return file.buffered > 0;
}

// minizip's file functions over a descriptor of the native file layer, through a buffer;
// a short read is an error.
voidpf ZCALLBACK ZipOpen(voidpf opaque, const void*, int) { return opaque; }
uLong ZCALLBACK ZipRead(voidpf, voidpf stream, void* buffer, uLong size)
{
    auto& file = *static_cast<ZipFile*>(stream);
    uLong done = 0;
    while (done < size) {
        if (file.position < file.bufferStart || file.position >= file.bufferStart + file.buffered) {
            if (!Fill(file, file.position))
                break;
        }
        const std::size_t at = static_cast<std::size_t>(file.position - file.bufferStart);
        const std::size_t take = std::min<std::size_t>(size - done, file.buffered - at);
        std::memcpy(static_cast<char*>(buffer) + done, file.buffer.data() + at, take);
        done += static_cast<uLong>(take);
        file.position += take;
    }
    file.shortRead = file.shortRead || done < size;
    return done;
}
uLong ZCALLBACK ZipWrite(voidpf, voidpf, const void*, uLong) { return 0; }
ZPOS64_T ZCALLBACK ZipTell(voidpf, voidpf stream) { return static_cast<ZipFile*>(stream)->position; }
long ZCALLBACK ZipSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    auto& file = *static_cast<ZipFile*>(stream);
    const uint64_t base = origin == ZLIB_FILEFUNC_SEEK_CUR ? file.position : origin == ZLIB_FILEFUNC_SEEK_END ? file.size : 0;
    // minizip steps back with an offset wrapped around, as lseek takes it.
    const uint64_t to = base + offset;
    if (to > static_cast<uint64_t>(INT64_MAX))
        return -1;
    file.position = to;
    return 0;
}
int ZCALLBACK ZipClose(voidpf, voidpf) { return 0; }
int ZCALLBACK ZipError(voidpf, voidpf stream) { return static_cast<ZipFile*>(stream)->shortRead ? 1 : 0; }

constexpr std::size_t kPackedChunk = 64 * 1024;
constexpr uint64_t kNoSize = 0xFFFFFFFF;

uint64_t LittleEndian(const unsigned char* bytes, int count)
{
    uint64_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = value << 8 | bytes[i];
    return value;
}

// The sizes of a zip64 entry are in its extra field (header 0x0001), each present only
// where the directory entry gives 0xFFFFFFFF. The minizip of some systems leaves them
// there, and one that applies them leaves no 0xFFFFFFFF to replace.
void ApplyZip64Sizes(const std::vector<unsigned char>& extra, unz_file_info64& info)
{
    for (std::size_t at = 0; at + 4 <= extra.size();) {
        const auto id = LittleEndian(&extra[at], 2);
        const auto size = static_cast<std::size_t>(LittleEndian(&extra[at + 2], 2));
        const std::size_t data = at + 4;
        if (size > extra.size() - data)
            return;
        if (id == 1) {
            std::size_t field = data;
            for (ZPOS64_T* value : {&info.uncompressed_size, &info.compressed_size}) {
                if (*value != kNoSize)
                    continue;
                if (field + 8 > data + size)
                    return;
                *value = LittleEndian(&extra[field], 8);
                field += 8;
            }
            return;
        }
        at = data + size;
    }
}

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
    file_.fd = native::OpenRegularForReading(path, error);
    if (file_.fd < 0)
        return false;
    const long long size = native::Seek(file_.fd, 0, SEEK_END);
    if (size < 0) {
        error = std::string("cannot read the file: ") + std::strerror(errno);
        return false;
    }
    file_.size = static_cast<uint64_t>(size);
    file_.buffer.resize(kFileBuffer);
    zlib_filefunc64_def functions{ZipOpen, ZipRead, ZipWrite, ZipTell, ZipSeek, ZipClose, ZipError, &file_};
    zip_ = unzOpen2_64("", &functions);
    if (!zip_) {
        error = kDamagedDirectory;
        return false;
    }
    // One pass over the directory; minizip reads it an entry at a time, so a directory
    // that claims more entries than it holds costs nothing up front.
    int next = unzGoToFirstFile(zip_);
    char name[512];
    for (std::size_t i = 0; next == UNZ_OK && i < kMaxMembers; ++i) {
        unz_file_info64 info{};
        unz64_file_pos place{};
        if (unzGetCurrentFileInfo64(zip_, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK
            || unzGetFilePos64(zip_, &place) != UNZ_OK) {
            next = UNZ_BADZIPFILE;
            break;
        }
        if (info.size_filename < sizeof name)
            index_.try_emplace(std::string(name, info.size_filename), place.pos_in_zip_directory, place.num_of_file);
        next = unzGoToNextFile(zip_);
    }
    if (next != UNZ_OK && next != UNZ_END_OF_LIST_OF_FILE) {
        error = kDamagedDirectory;
        return false;
    }
    return true;
}

// Makes the member current.
bool ZipReader::Locate(std::string_view name)
{
    const auto found = index_.find(std::string(name));
    if (!zip_ || found == index_.end())
        return false;
    unz64_file_pos place{found->second.first, found->second.second};
    return unzGoToFilePos64(zip_, &place) == UNZ_OK;
}

bool ZipReader::Has(std::string_view name, std::string&)
{
    CloseMember();
    return index_.contains(std::string(name));
}

bool ZipReader::OpenMember(std::string_view name, std::string& error)
{
    CloseMember();
    member_ = name;
    if (!index_.contains(member_)) {
        error = "the part " + member_ + " is missing";
        return false;
    }
    unz_file_info64 info{};
    std::vector<unsigned char> extra;
    if (!Locate(name) || unzGetCurrentFileInfo64(zip_, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK
        || (extra.resize(info.size_file_extra),
            unzGetCurrentFileInfo64(zip_, &info, nullptr, 0, extra.data(), static_cast<uLong>(extra.size()), nullptr, 0) != UNZ_OK)) {
        error = Damaged(member_, "its directory entry");
        return false;
    }
    ApplyZip64Sizes(extra, info);
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
    if (info.compressed_size > file_.size) {
        error = Damaged(member_, "its packed size is larger than the file");
        return false;
    }
    if (info.uncompressed_size > kMaxMemberSize || TooDense(info.uncompressed_size, info.compressed_size)) {
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

bool ZipReader::TooDense(uint64_t unpacked, uint64_t packed)
{
    return unpacked > kFreeSize && unpacked / kMaxRatio > packed;
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
        // Stored: the packed bytes are the data, as many as declared.
        const auto left = static_cast<unsigned>(std::min<uint64_t>(chunk, memberSize_ - memberRead_));
        got = left == 0 ? 0 : unzReadCurrentFile(zip_, buffer, left);
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
        // The entry's packed size may lie: the ratio counts the bytes really read.
        if (TooDense(memberRead_ + static_cast<uint64_t>(got), stream->total_in)) {
            error = "the part " + member_ + " unpacks to more than " + std::to_string(kMaxRatio)
                + " times its packed size, more than an xlsx file holds (a zip bomb?)";
            CloseMember();
            return -1;
        }
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
