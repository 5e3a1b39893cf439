// Fuzzes the database restore with the input as the ZIP archive, into a data folder of its
// own: nothing is ever written outside the data folder, only bsfilter.conf and files directly
// in bsfilterdb are touched, no temporary file is left, the bytes written stay within the
// bound, a file that changed was restored and is listed, and a restore that failed before
// replacing anything left every file as it was.
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "ui/Backup.h"

namespace {

constexpr unsigned long long kBound = 1 << 20;

// Every file below folder (relative name with backslashes) with its content.
void Collect(const std::string& folder, const std::string& prefix, std::vector<std::pair<std::string, std::string>>* out) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out->push_back({prefix + name + "\\", std::string()});
            Collect(folder + "\\" + name, prefix + name + "\\", out);
        } else {
            out->push_back({prefix + name, fuzz::ReadBytes(folder + "\\" + name)});
        }
    } while (FindNextFileA(find, &data));
    FindClose(find);
}

void RemoveTree(const std::string& folder) {
    std::vector<std::pair<std::string, std::string>> entries;
    Collect(folder, "", &entries);
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        const std::string path = folder + "\\" + it->first;
        if (!it->first.empty() && it->first.back() == '\\') {
            RemoveDirectoryA(path.substr(0, path.size() - 1).c_str());
        } else {
            DeleteFileA(path.c_str());
        }
    }
}

const char kConfig[] = "## bsfilter.conf\r\n";
const char kIni[] = "[Mirvane]\r\nUseBsfilterScript=False\r\n";
const char kPag[] = "old probability table";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
    static const std::string root = fuzz::ScratchFile("root");
    static const std::string data = root + "\\data";
    static const std::string archive = fuzz::ScratchFile("input.zip");
    RemoveTree(root);
    CreateDirectoryA(root.c_str(), nullptr);
    CreateDirectoryA(data.c_str(), nullptr);
    CreateDirectoryA((data + "\\bsfilterdb").c_str(), nullptr);
    fuzz::Require(fuzz::WriteBytes(data + "\\bsfilter.conf", kConfig, sizeof(kConfig) - 1), "the config is written");
    fuzz::Require(fuzz::WriteBytes(data + "\\Mirvane.ini", kIni, sizeof(kIni) - 1), "the settings are written");
    fuzz::Require(fuzz::WriteBytes(data + "\\bsfilterdb\\C.prob.sdbm.pag", kPag, sizeof(kPag) - 1),
                  "the database is written");
    std::vector<std::pair<std::string, std::string>> before;
    Collect(data, "", &before);
    fuzz::Require(fuzz::WriteBytes(archive, input, size), "the archive is written");

    DatabasePaths paths;
    paths.dataFolder = data;
    paths.bsfilterConfig = data + "\\bsfilter.conf";
    paths.bsfilterDbFolder = data + "\\bsfilterdb";
    paths.restoreCeiling = kBound;
    std::vector<std::string> names;
    size_t skipped = 0;
    const bool ok = RestoreDatabaseFrom(paths, archive, &names, &skipped);

    std::vector<std::pair<std::string, std::string>> outside;
    Collect(root, "", &outside);
    for (const auto& entry : outside) {
        fuzz::Require(entry.first.compare(0, 5, "data\\") == 0 || entry.first == "data\\",
                      "nothing is written outside the data folder");
    }
    std::vector<std::pair<std::string, std::string>> after;
    Collect(data, "", &after);
    unsigned long long total = 0;
    for (const auto& entry : after) {
        total += entry.second.size();
        fuzz::Require(entry.first.find(".mirvane-restore") == std::string::npos, "no temporary file is left");
        bool listed = false;
        for (const std::string& name : names) listed = listed || lstrcmpiA(name.c_str(), entry.first.c_str()) == 0;
        bool same = false;
        bool existed = false;
        for (const auto& old : before) {
            if (old.first == entry.first) {
                existed = true;
                same = old.second == entry.second;
            }
        }
        if (!existed || !same) {
            fuzz::Require(DatabaseEntryName(entry.first) == entry.first, "only database files are written");
            fuzz::Require(listed, "a file that changed was restored and is listed");
        }
    }
    fuzz::Require(total <= kBound + sizeof(kConfig) + sizeof(kIni) + sizeof(kPag), "the bytes stay within the bound");
    fuzz::Require(fuzz::ReadBytes(data + "\\Mirvane.ini") == kIni, "the settings are never replaced");
    if (!ok && names.empty()) {
        for (const auto& old : before) {
            fuzz::Require(fuzz::ReadBytes(data + "\\" + old.first) == old.second || old.first.back() == '\\',
                          "a restore that failed before replacing anything left every file as it was");
        }
    }
    return 0;
}
