#include "gemdos/host_folder.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

std::string realHostPath(const std::string& path) {
    char real[PATH_MAX];
    return ::realpath(path.c_str(), real) ? std::string(real) : std::string();
}

bool insideFolder(const std::string& root, const std::string& real) {
    if (real.empty()) return false;
    if (real == root || root == "/") return true;
    return real.size() > root.size() && real.compare(0, root.size(), root) == 0 && real[root.size()] == '/';
}

bool hostWritable(const std::string& real) {
    struct stat st;
    return ::stat(real.c_str(), &st) == 0 && (st.st_mode & S_IWUSR) && ::access(real.c_str(), W_OK) == 0;
}

bool describeHostPath(const std::string& real, FolderEntry& entry) {
    struct stat st;
    if (::stat(real.c_str(), &st) != 0) return false;
    bool folder = S_ISDIR(st.st_mode);
    if (!folder && !S_ISREG(st.st_mode)) return false;
    entry.attributes = folder ? FA_DIR : hostWritable(real) ? 0 : FA_RDONLY;
    entry.size = folder ? 0 : uint32_t(std::min<long long>(st.st_size, INT32_MAX));
    dosDateTime(st.st_mtime, entry.time, entry.date);
    return true;
}

namespace {

// How a host name shows: its own name first, then names only shown in upper case, then
// the hashed ones.
int rankOf(const std::string& host, bool exact) { return exact ? 0 : isShortStName(host) ? 1 : 2; }

}  // namespace

void listFolder(const std::string& root, const std::string& hostFolder, bool withDots,
                std::vector<FolderEntry>& entries) {
    entries.clear();
    DIR* dir = ::opendir(hostFolder.c_str());
    if (!dir) return;
    struct Candidate {
        int rank;
        FolderEntry entry;
    };
    std::vector<Candidate> found;
    while (dirent* d = ::readdir(dir)) {
        std::string name = d->d_name;
        if (name.empty() || name[0] == '.') continue;
        std::string real = realHostPath(hostFolder + "/" + name);
        Candidate c;
        if (!insideFolder(root, real) || !describeHostPath(real, c.entry)) continue;
        bool exact;
        c.entry.hostName = name;
        c.entry.stName = stNameOfHost(name, 0, exact);
        c.rank = rankOf(name, exact);
        found.push_back(std::move(c));
    }
    ::closedir(dir);
    std::sort(found.begin(), found.end(), [](const Candidate& a, const Candidate& b) {
        return a.rank != b.rank ? a.rank < b.rank : a.entry.hostName < b.entry.hostName;
    });

    std::vector<std::string> taken;
    auto isTaken = [&taken](const std::string& n) { return std::find(taken.begin(), taken.end(), n) != taken.end(); };
    if (withDots) {
        FolderEntry dot;
        if (describeHostPath(hostFolder, dot)) {
            for (bool parent : {false, true}) {
                dot.stName = parent ? ".." : ".";
                dot.entry = dotEntryName(parent);
                entries.push_back(dot);
            }
        }
    }
    for (Candidate& c : found) {
        bool exact;
        for (int salt = 1; isTaken(c.entry.stName) && salt < 36 * 36; ++salt)
            c.entry.stName = stNameOfHost(c.entry.hostName, salt, exact);
        if (isTaken(c.entry.stName)) continue;
        taken.push_back(c.entry.stName);
        c.entry.entry = entryNameOf(c.entry.stName.c_str());
        entries.push_back(std::move(c.entry));
    }
    std::sort(entries.begin() + (withDots ? std::min<long>(2, long(entries.size())) : 0), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.stName < b.stName; });
}

int32_t stPathComponents(const std::string& current, const char* path, std::vector<std::string>& components) {
    components.clear();
    if (*path != '\\') {
        for (size_t start = 0; start < current.size();) {
            size_t end = current.find('\\', start);
            if (end == std::string::npos) end = current.size();
            if (end > start) components.push_back(current.substr(start, end - start));
            start = end + 1;
        }
    }
    size_t length = 0;
    for (const char* p = path; *p;) {
        const char* end = std::strchr(p, '\\');
        size_t n = end ? size_t(end - p) : std::strlen(p);
        bool last = !end;
        std::string part(p, n);
        p += n + (end ? 1 : 0);
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (components.empty()) return EPTHNF;  // the root has no parent: the drive ends there
            components.pop_back();
            continue;
        }
        std::string name = stComponent(part.data(), part.size());
        if (name.empty()) return last ? EFILNF : EPTHNF;
        components.push_back(name);
    }
    for (const std::string& c : components) length += c.size() + 1;
    return length > ST_PATH_MAX ? EPTHNF : E_OK;
}

std::string joinStPath(const std::vector<std::string>& components) {
    std::string path;
    for (const std::string& c : components) path += "\\" + c;
    return path;
}

// The host name of the entry an ST name stands for in a host folder, or "".
static std::string hostNameIn(const std::string& root, const std::string& folder, const std::string& stName) {
    struct stat st;
    if (::lstat((folder + "/" + stName).c_str(), &st) == 0) return stName;  // the common case: named as shown
    std::vector<FolderEntry> entries;
    listFolder(root, folder, false, entries);
    for (const FolderEntry& e : entries)
        if (e.stName == stName) return e.hostName;
    return "";
}

int32_t resolveComponents(const std::string& root, const std::vector<std::string>& components, ResolvedPath& out) {
    out = ResolvedPath{};
    std::string folder = root;
    for (size_t i = 0; i + 1 < components.size(); ++i) {
        std::string name = hostNameIn(root, folder, components[i]);
        std::string real = name.empty() ? "" : realHostPath(folder + "/" + name);
        struct stat st;
        if (!insideFolder(root, real) || ::stat(real.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return EPTHNF;
        folder = real;
    }
    if (components.empty()) {
        out.exists = out.isFolder = true;
        out.target = root;
        return E_OK;
    }
    out.parent = folder;
    out.name = hostNameIn(root, folder, components.back());
    std::string real = out.name.empty() ? "" : realHostPath(folder + "/" + out.name);
    struct stat st;
    if (insideFolder(root, real) && ::stat(real.c_str(), &st) == 0 && (S_ISDIR(st.st_mode) || S_ISREG(st.st_mode))) {
        out.exists = true;
        out.isFolder = S_ISDIR(st.st_mode);
        out.target = real;
    } else {
        out.name = components.back();
    }
    return E_OK;
}
