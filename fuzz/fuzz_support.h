#pragma once

// What the harnesses share: the check of a property, a UTF-8 check, a folder for input files.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>

#include <unistd.h>

// When the property does not hold, the input is a finding: abort() makes libFuzzer save it
// and stop, as a sanitizer report does.
#define FUZZ_CHECK(condition)                                                              \
    do {                                                                                   \
        if (!(condition)) {                                                                \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                  \
        }                                                                                  \
    } while (0)

namespace fuzz {

// Calls each(character, its length) while it returns true; false when it does not, or at a byte
// that starts no character or a character cut short. Overlong forms and leads to F7 pass.
template <typename Each>
bool ForEachCharacter(std::string_view text, Each each)
{
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || i + length > text.size())
            return false;
        char32_t c = length == 1 ? lead : lead & (0x7F >> length);
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            c = (c << 6) | (next & 0x3F);
        }
        if (!each(c, length))
            return false;
        i += length;
    }
    return true;
}

inline bool IsValidUtf8(std::string_view text)
{
    return ForEachCharacter(text, [](char32_t, size_t) { return true; });
}

// Made at first use on a memory file system where there is one, removed at exit. A plain
// array, so that it outlives the handler that removes the folder.
inline std::string Folder()
{
    static char folder[64];
    if (folder[0] == '\0') {
        std::strcpy(folder, ::access("/dev/shm", W_OK) == 0 ? "/dev/shm/tessaport-fuzz-XXXXXX" : "/tmp/tessaport-fuzz-XXXXXX");
        FUZZ_CHECK(::mkdtemp(folder) != nullptr);
        std::atexit([] { std::filesystem::remove_all(folder); });
    }
    return folder;
}

inline std::string WriteInput(const char* name, const uint8_t* data, size_t size)
{
    const std::string path = Folder() + "/" + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    FUZZ_CHECK(file != nullptr && (size == 0 || std::fwrite(data, 1, size, file) == size) && std::fclose(file) == 0);
    return path;
}

} // namespace fuzz
