#pragma once

// The readers of xlsx and CSV take files: a harness writes its input to one of its own.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include <unistd.h>

namespace fuzz {

inline std::string InputPath(const char* suffix)
{
    return "/tmp/tessaport-fuzz-" + std::to_string(::getpid()) + suffix;
}

inline std::string WriteInput(const uint8_t* data, size_t size, const char* suffix = ".bin")
{
    const std::string path = InputPath(suffix);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || (size > 0 && std::fwrite(data, 1, size, file) != size) || std::fclose(file) != 0)
        std::abort();
    return path;
}

} // namespace fuzz
