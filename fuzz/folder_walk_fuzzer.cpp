// The scanner's walk over folder trees the input builds: folders, files, header files, links
// back up (loops), links to files and dangling links, hidden names and the system folder
// names the scanner skips. Besides crashes: the walk enters exactly the folders it should,
// each once and depth first (a folder's entries all come before the walk moves on to the
// next folder of its parent), lists exactly the files it should, and leaves nothing out.
//
// Input: one byte per step. Its low three bits pick the step, the rest a name:
// 0 a folder (and go into it), 1 back up, 2 a file, 3 a header file, 4 a link to "..",
// 5 a link to "master.omg" (a file, or dangling), 6 a dangling link, 7 back to the top.

#include "fuzz_check.h"
#include "platform/folder_walk.h"

#include <algorithm>
#include <cstdlib>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <strings.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const char* const kNames[] = {"a", "b", "c d", "Windows", "wInNt", ".hidden", "\xC3\xBC", "e"};
constexpr size_t kMaxDepth = 48;

enum class Kind { Folder, File, LinkUp, LinkToHeader, Dangling };

bool Skipped(const std::string& name)
{
    return strcasecmp(name.c_str(), "windows") == 0 || strcasecmp(name.c_str(), "winnt") == 0;
}

std::string Parent(const std::string& path) { return path.substr(0, path.rfind('/')); }

fs::path Top()
{
    static const fs::path top = [] {
        const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        return base / ("tessaport-fuzz-walk-" + std::to_string(::getpid()));
    }();
    static const bool removedAtExit = std::atexit([] {
        std::error_code ignored;
        fs::remove_all(top, ignored);
    }) == 0;
    (void)removedAtExit;
    return top;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fs::remove_all(Top());
    fs::create_directory(Top());
    const std::string top = Top().string();

    // The tree, by path relative to the top ("" is the top).
    std::map<std::string, Kind> tree;
    std::string at;
    for (size_t i = 0; i < size; ++i) {
        const std::string name = kNames[(data[i] >> 3) % std::size(kNames)];
        const int step = data[i] & 7;
        if (step == 1) {
            at = at.rfind('/') == std::string::npos ? std::string() : Parent(at);
            continue;
        }
        if (step == 7) {
            at.clear();
            continue;
        }
        const std::string entry = (at.empty() ? "" : at + "/") + (step == 3 ? (data[i] & 8 ? "MASTER.OMG" : "master.omg") : name);
        if (tree.count(entry))
            continue;
        const fs::path path = Top() / entry;
        switch (step) {
        case 0:
            if (std::count(entry.begin(), entry.end(), '/') >= static_cast<long>(kMaxDepth))
                continue;
            fs::create_directory(path);
            tree[entry] = Kind::Folder;
            at = entry;
            break;
        case 2:
        case 3:
            std::ofstream(path).put('x');
            tree[entry] = Kind::File;
            break;
        case 4:
            fs::create_directory_symlink("..", path);
            tree[entry] = Kind::LinkUp;
            break;
        case 5:
            fs::create_symlink("master.omg", path);
            tree[entry] = Kind::LinkToHeader;
            break;
        default:
            fs::create_symlink("nowhere", path);
            tree[entry] = Kind::Dangling;
            break;
        }
    }

    // What the walk should meet: the folders below no hidden or skipped name, and in each
    // (and the top) its files and links to files.
    auto reached = [&](const std::string& folder) {
        for (size_t from = 0; from < folder.size();) {
            const size_t end = std::min(folder.find('/', from), folder.size());
            const std::string part = folder.substr(from, end - from);
            if (part[0] == '.' || Skipped(part))
                return false;
            from = end + 1;
        }
        return true;
    };
    std::multiset<std::string> foldersExpected;
    std::multiset<std::pair<std::string, std::string>> filesExpected;
    for (const auto& [entry, kind] : tree) {
        const size_t slash = entry.rfind('/');
        const std::string folder = slash == std::string::npos ? "" : entry.substr(0, slash);
        const std::string name = entry.substr(slash == std::string::npos ? 0 : slash + 1);
        if (!reached(folder) || name[0] == '.')
            continue;
        const std::string folderPath = folder.empty() ? top : top + "/" + folder;
        const bool linkToFile = kind == Kind::LinkToHeader && tree.count((folder.empty() ? "" : folder + "/") + "master.omg");
        if (kind == Kind::Folder && !Skipped(name))
            foldersExpected.insert(top + "/" + entry);
        else if (kind == Kind::File || linkToFile)
            filesExpected.emplace(folderPath, name);
    }

    // The walk, checked as it goes against a stack of the folders it is in.
    std::vector<std::string> open{top};
    std::multiset<std::string> foldersMet;
    std::multiset<std::pair<std::string, std::string>> filesMet;
    platform::FolderWalkHooks hooks;
    hooks.skipFolder = Skipped;
    hooks.entered = [&](const std::string& path) {
        while (!open.empty() && open.back() != Parent(path))
            open.pop_back();
        FUZZ_CHECK(!open.empty());
        FUZZ_CHECK(foldersMet.count(path) == 0);
        open.push_back(path);
        foldersMet.insert(path);
    };
    hooks.file = [&](const std::string& folder, const std::string& name) {
        while (!open.empty() && open.back() != folder)
            open.pop_back();
        FUZZ_CHECK(!open.empty());
        filesMet.emplace(folder, name);
        return true;
    };
    hooks.unread = [](const std::string&, platform::EnterResult) { FUZZ_CHECK(false); };
    auto start = platform::FolderListing::Open(top);
    FUZZ_CHECK(start != nullptr);
    platform::WalkFolders(std::move(start), top, '/', hooks);
    FUZZ_CHECK(foldersMet == foldersExpected);
    FUZZ_CHECK(filesMet == filesExpected);
    return 0;
}
