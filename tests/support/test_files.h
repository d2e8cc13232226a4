#pragma once

// Files, temporary folders and programs run through a shell, as every test folder needs them.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>
#include <cstdlib>
#if !defined(_WIN32)
#include <sys/wait.h>
#endif

namespace test_support {

using Bytes = std::vector<uint8_t>;

inline std::string ReadText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline Bytes ReadBytes(const std::filesystem::path& path)
{
    const std::string text = ReadText(path);
    return {text.begin(), text.end()};
}

inline void WriteText(const std::filesystem::path& path, std::string_view text)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(text.data(), static_cast<std::streamsize>(text.size()));
}

inline void WriteBytes(const std::filesystem::path& path, const Bytes& bytes)
{
    WriteText(path, {reinterpret_cast<const char*>(bytes.data()), bytes.size()});
}

// The names in a folder, sorted: a temporary file left behind shows up here.
inline std::vector<std::string> Entries(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A folder of its own under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder()
    {
        std::mt19937 generator{std::random_device{}()};
        std::error_code error;
        do
            path_ = std::filesystem::temp_directory_path() / ("tessaport-test-" + std::to_string(generator()));
        while (!std::filesystem::create_directory(path_, error) && !error);
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

    std::vector<std::string> Entries() const { return test_support::Entries(path_); }

private:
    std::filesystem::path path_;
};

struct ProcessRun {
    int exitCode = -1;  // 124 when the time ran out
    std::string out;
    std::string err;
};

// `word` as one word of a POSIX shell command: in single quotes, a quote inside as '\''.
inline std::string ShellWord(const std::string& word)
{
    std::string quoted = "'";
    for (const char c : word)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + '\'';
}

// Runs a shell command in `folder` with `input` on its standard input; it is stopped after
// `seconds` (POSIX). Its output is kept in files of the folder: stdin, stdout and stderr.
inline ProcessRun RunShell(const std::filesystem::path& folder, const std::string& command,
                           const std::string& input = {}, int seconds = 120)
{
    WriteText(folder / "stdin", input);
    const std::string line = "cd " + ShellWord(folder.string()) + " && timeout " + std::to_string(seconds) + " " + command
        + " <stdin >stdout 2>stderr";
    const int status = std::system(line.c_str());
#if defined(_WIN32)
    const int exitCode = status;
#else
    const int exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    return {exitCode, ReadText(folder / "stdout"), ReadText(folder / "stderr")};
}

} // namespace test_support
