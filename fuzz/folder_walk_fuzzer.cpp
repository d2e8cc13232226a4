// The scanner's walk over trees the input builds: it enters exactly the folders it should,
// each once and depth first, and lists exactly the files it should. Input: one byte per step;
// its low three bits pick the step, the rest a name: 0 a folder (and go into it), 1 back up,
// 2 a file, 3 a header file, 4 a link to "..", 5 a link to "master.omg" (a file, or
// dangling), 6 a dangling link, 7 back to the top.

#include "fuzz_support.h"
#include "platform/folder_walk.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include <strings.h>

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string top = fuzz::Folder() + "/top";
    fs::remove_all(top);
    fs::create_directory(top);

    // The tree, by path relative to the top ("" is the top).
    std::map<std::string, Kind> tree;
    std::string at;
    for (size_t i = 0; i < size; ++i) {
        const std::string name = kNames[(data[i] >> 3) % std::size(kNames)];
        const int step = data[i] & 7;
        if (step == 1 || step == 7) {
            at = step == 7 || at.find('/') == std::string::npos ? std::string() : Parent(at);
            continue;
        }
        const std::string entry = (at.empty() ? "" : at + "/") + (step == 3 ? (data[i] & 8 ? "MASTER.OMG" : "master.omg") : name);
        if (tree.count(entry) || (step == 0 && std::count(entry.begin(), entry.end(), '/') >= static_cast<long>(kMaxDepth)))
            continue;
        const fs::path path = top + "/" + entry;
        // By step; 1 and 7 make nothing.
        constexpr Kind kKinds[] = {Kind::Folder, {}, Kind::File, Kind::File, Kind::LinkUp, Kind::LinkToHeader, Kind::Dangling};
        tree[entry] = kKinds[step];
        if (step == 0) {
            fs::create_directory(path);
            at = entry;
        } else if (step <= 3) {
            std::ofstream(path).put('x');
        } else {
            fs::create_symlink(step == 4 ? ".." : step == 5 ? "master.omg" : "nowhere", path);
        }
    }

    // What the walk should meet: the folders below no hidden or skipped name, and in each
    // (and the top) its files and links to files.
    auto reached = [&](std::string folder) {
        for (; !folder.empty(); folder = folder.find('/') == std::string::npos ? "" : Parent(folder)) {
            const std::string part = folder.substr(folder.rfind('/') + 1);
            if (part[0] == '.' || Skipped(part))
                return false;
        }
        return true;
    };
    std::multiset<std::string> foldersExpected;
    std::multiset<std::pair<std::string, std::string>> filesExpected;
    for (const auto& [entry, kind] : tree) {
        const size_t slash = entry.rfind('/');
        const std::string folder = slash == std::string::npos ? "" : entry.substr(0, slash);
        const std::string name = entry.substr(slash + 1);  // npos + 1 is 0
        if (!reached(folder) || name[0] == '.')
            continue;
        const bool linkToFile = kind == Kind::LinkToHeader && tree.count((folder.empty() ? "" : folder + "/") + "master.omg");
        if (kind == Kind::Folder && !Skipped(name))
            foldersExpected.insert(top + "/" + entry);
        else if (kind == Kind::File || linkToFile)
            filesExpected.emplace(folder.empty() ? top : top + "/" + folder, name);
    }

    // The walk, checked as it goes against a stack of the folders it is in.
    std::vector<std::string> open{top};
    auto closeTo = [&open](const std::string& folder) {
        while (!open.empty() && open.back() != folder)
            open.pop_back();
        FUZZ_CHECK(!open.empty());
    };
    std::multiset<std::string> foldersMet;
    std::multiset<std::pair<std::string, std::string>> filesMet;
    platform::FolderWalkHooks hooks;
    hooks.skipFolder = Skipped;
    hooks.entered = [&](const std::string& path) {
        closeTo(Parent(path));
        FUZZ_CHECK(foldersMet.count(path) == 0);
        open.push_back(path);
        foldersMet.insert(path);
    };
    hooks.file = [&](const std::string& folder, const std::string& name) {
        closeTo(folder);
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
