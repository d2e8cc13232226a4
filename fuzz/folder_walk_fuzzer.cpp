// The scanner's walk over trees the input builds, with loops through links, hidden and
// skipped folders: it ends, enters each folder once and finds every folder readable. (Which
// folders and files it meets is the unit tests'.) Input: one byte per step; its low three
// bits pick the step, the rest a name: 0 a folder (and go into it), 1 back up, 2 a file, 3 a
// header file, 4 a link to "..", 5 a link to "master.omg" (a file, or dangling), 6 a
// dangling link, 7 back to the top.

#include "fuzz_support.h"
#include "platform/folder_walk.h"

#include <algorithm>
#include <fstream>
#include <set>

#include <strings.h>

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const char* const kNames[] = {"a", "b", "c d", "Windows", "wInNt", ".hidden", "\xC3\xBC", "e"};
    constexpr long kMaxDepth = 48;
    const std::string top = fuzz::Folder() + "/top";
    fs::remove_all(top);
    fs::create_directory(top);

    std::string at;  // relative to the top
    for (size_t i = 0; i < size; ++i) {
        const int step = data[i] & 7;
        if (step == 1 || step == 7) {
            at = step == 7 || at.find('/') == std::string::npos ? std::string() : at.substr(0, at.rfind('/'));
            continue;
        }
        const std::string name = step == 3 ? (data[i] & 8 ? "MASTER.OMG" : "master.omg") : kNames[(data[i] >> 3) % std::size(kNames)];
        const std::string entry = (at.empty() ? "" : at + "/") + name;
        const fs::path path = top + "/" + entry;
        if (fs::exists(fs::symlink_status(path)) || (step == 0 && std::count(entry.begin(), entry.end(), '/') >= kMaxDepth))
            continue;
        if (step == 0) {
            fs::create_directory(path);
            at = entry;
        } else if (step <= 3) {
            std::ofstream(path).put('x');
        } else {
            fs::create_symlink(step == 4 ? ".." : step == 5 ? "master.omg" : "nowhere", path);
        }
    }

    std::set<std::string> entered;
    platform::FolderWalkHooks hooks;
    hooks.skipFolder = [](const std::string& name) {
        return strcasecmp(name.c_str(), "windows") == 0 || strcasecmp(name.c_str(), "winnt") == 0;
    };
    hooks.entered = [&](const std::string& path) { FUZZ_CHECK(entered.insert(path).second); };
    hooks.file = [](const std::string&, const std::string&) { return true; };
    hooks.unread = [](const std::string&, platform::EnterResult) { FUZZ_CHECK(false); };
    auto start = platform::FolderListing::Open(top);
    FUZZ_CHECK(start != nullptr);
    platform::WalkFolders(std::move(start), top, '/', hooks);
    return 0;
}
