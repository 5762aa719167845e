#include "kernel/short_names.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <sstream>
#include <vector>

#include "core/codepage.h"
#include "core/drive_files.h"
#include "core/machine.h"
#include "kernel/state_file.h"
#include "windows_host.h"

namespace host {

namespace {

const char kStateFile[] = "short-names";       // "host dir TAB host name TAB short name" lines
const char kStateLock[] = "short-names.lock";  // held while the file is rewritten
constexpr size_t kMaxCachedDirs = 64;
constexpr unsigned kMaxTail = 999999;  // "~999999" leaves one byte of the name

using NameMap = std::map<std::string, std::string>;

bool IsDoubleByte(const std::string& text, size_t i) {
    return IsLeadByte932((unsigned char)text[i]) && i + 1 < text.size();
}

// A single-byte character a short name may hold (lower case is upper-cased).
bool IsShortChar(unsigned char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
    if (c >= 0xA1 && c <= 0xDF) return true;  // half-width katakana
    return c != 0 && strchr("$%'-_@~`!(){}^#&", c) != nullptr;
}

// Upper-cases what a short name keeps; characters it may not hold become '_'.
// Spaces and dots are dropped.
std::string ShortChars(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = (unsigned char)text[i];
        if (IsDoubleByte(text, i)) {
            out += text.substr(i++, 2);
        } else if (c == ' ' || c == '.') {
            continue;
        } else if (IsShortChar(c)) {
            out += (char)(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        } else {
            out += '_';
        }
    }
    return out;
}

// The longest start of `text` of at most `bytes` bytes that ends on a whole character.
std::string CutWhole(const std::string& text, size_t bytes) {
    size_t end = 0;
    while (end < text.size()) {
        size_t length = IsDoubleByte(text, end) ? 2 : 1;
        if (end + length > bytes) break;
        end += length;
    }
    return text.substr(0, end);
}

// The parts a generated short name is made of: the base, from before the
// extension's dot, and the extension, after the last dot that has more than
// spaces and dots after it (and something before it).
void ShortParts(const std::string& name, std::string* base, std::string* extension) {
    std::vector<size_t> dots;
    for (size_t i = 0; i < name.size(); ++i) {
        if (IsDoubleByte(name, i)) ++i;
        else if (name[i] == '.') dots.push_back(i);
    }
    size_t chosen = std::string::npos;
    for (auto dot = dots.rbegin(); dot != dots.rend() && chosen == std::string::npos; ++dot) {
        if (!ShortChars(name.substr(*dot + 1)).empty() && !ShortChars(name.substr(0, *dot)).empty())
            chosen = *dot;
    }
    if (chosen == std::string::npos) {
        *base = ShortChars(name);
        extension->clear();
    } else {
        *base = ShortChars(name.substr(0, chosen));
        *extension = CutWhole(ShortChars(name.substr(chosen + 1)), 3);
    }
    if (base->empty()) *base = "_";
}

std::string NumberedName(const std::string& base, const std::string& extension, unsigned number) {
    std::string tail = "~" + std::to_string(number);
    std::string name = CutWhole(base, 8 - tail.size()) + tail;
    return extension.empty() ? name : name + "." + extension;
}

bool HasTilde(const std::string& name) {
    for (size_t i = 0; i < name.size(); ++i) {
        if (IsDoubleByte(name, i)) ++i;
        else if (name[i] == '~') return true;
    }
    return false;
}

// Text that cannot stand in a line of the state file.
bool Unstorable(const std::string& text) {
    for (unsigned char c : text)
        if (c < 0x20) return true;
    return false;
}

// The short names given so far, by host directory, as in the state file.
struct State {
    std::string path;
    FileStamp stamp;
    std::map<std::string, NameMap> dirs;  // host dir -> host name -> short name
};
State gState;

const State& LoadState() {
    std::string path = StatePath(kStateFile);
    FileStamp stamp = StampOf(path);
    if (gState.path == path && gState.stamp == stamp) return gState;
    gState.path = path;
    gState.stamp = stamp;
    gState.dirs.clear();
    std::istringstream in(ReadStateFile(path));
    std::string line;
    while (std::getline(in, line)) {
        size_t tab1 = line.find('\t'), tab2 = line.find('\t', tab1 + 1);
        if (tab1 == std::string::npos || tab2 == std::string::npos) continue;
        gState.dirs[line.substr(0, tab1)][line.substr(tab1 + 1, tab2 - tab1 - 1)] = line.substr(tab2 + 1);
    }
    return gState;
}

void SaveDirectory(const std::string& hostDir, const NameMap& names) {
    if (Unstorable(hostDir)) return;  // the names are made, but cannot be kept
    StateLock lock(StatePath(kStateLock));
    if (!lock.held()) return;
    LoadState();  // another process may have written since
    if (names.empty()) gState.dirs.erase(hostDir);
    else gState.dirs[hostDir] = names;
    for (auto dir = gState.dirs.begin(); dir != gState.dirs.end();) {  // directories since removed
        struct stat st;
        if (stat(dir->first.c_str(), &st) != 0) dir = gState.dirs.erase(dir);
        else ++dir;
    }
    std::string text;
    for (const auto& dir : gState.dirs)
        for (const auto& entry : dir.second) text += dir.first + "\t" + entry.first + "\t" + entry.second + "\n";
    if (ReplaceStateFile(gState.path, text)) gState.stamp = StampOf(gState.path);
    else gState.path.clear();  // read it again next time
}

// A directory's names both ways, as last worked out by this process.
struct DirNames {
    NameMap shortOf;  // host name -> short name
    NameMap longOf;   // short name -> host name
};
std::map<std::string, DirNames> gDirs;

// Works out the short name of every entry of a directory: 8.3 names keep
// theirs, names given one earlier keep it, the rest get one in sorted order.
const DirNames& ComputeDirectory(const std::string& hostDir) {
    if (gDirs.size() >= kMaxCachedDirs) gDirs.clear();
    DirNames& names = gDirs[hostDir];
    names = DirNames();
    struct Entry {
        std::string hostName, name932, sortKey;
    };
    std::vector<Entry> entries;
    if (DIR* dir = OpenFolderInDrive(hostDir)) {
        while (struct dirent* entry = readdir(dir)) {
            std::string hostName = entry->d_name, name932;
            if (hostName == "." || hostName == ".." || Unstorable(hostName)) continue;
            if (!Utf8ToCp932(hostName, &name932)) continue;
            entries.push_back({hostName, name932, UpperAscii932(name932)});
        }
        closedir(dir);
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.sortKey != b.sortKey ? a.sortKey < b.sortKey : a.name932 < b.name932;
    });
    auto give = [&](const Entry& entry, const std::string& shortName) {
        names.shortOf[entry.hostName] = shortName;
        names.longOf[shortName] = entry.hostName;
    };
    std::vector<const Entry*> pending;
    for (const Entry& entry : entries) {
        if (IsShortName(entry.name932) && !names.longOf.count(entry.sortKey)) give(entry, entry.sortKey);
        else pending.push_back(&entry);
    }
    const State& state = LoadState();
    auto stored = state.dirs.find(hostDir);
    NameMap kept = stored != state.dirs.end() ? stored->second : NameMap();
    NameMap keep;
    std::vector<const Entry*> unnamed;
    for (const Entry* entry : pending) {
        auto earlier = kept.find(entry->hostName);
        if (earlier != kept.end() && !names.longOf.count(earlier->second)) {
            give(*entry, earlier->second);
            keep[entry->hostName] = earlier->second;
        } else {
            unnamed.push_back(entry);
        }
    }
    for (const Entry* entry : unnamed) {
        std::string base, extension;
        ShortParts(entry->name932, &base, &extension);
        for (unsigned number = 1; number <= kMaxTail; ++number) {
            std::string candidate = NumberedName(base, extension, number);
            if (names.longOf.count(candidate)) continue;
            give(*entry, candidate);
            keep[entry->hostName] = candidate;
            break;
        }
    }
    if (keep != kept) SaveDirectory(hostDir, keep);
    return names;
}

}  // namespace

bool IsShortName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    size_t dot = std::string::npos;
    for (size_t i = 0; i < name.size(); ++i) {
        unsigned char c = (unsigned char)name[i];
        if (IsLeadByte932(c)) {
            if (i + 1 >= name.size()) return false;  // a lead byte without its trail
            ++i;
        } else if (c == '.') {
            if (dot != std::string::npos) return false;
            dot = i;
        } else if (!IsShortChar(c)) {
            return false;
        }
    }
    size_t baseBytes = dot == std::string::npos ? name.size() : dot;
    size_t extensionBytes = dot == std::string::npos ? 0 : name.size() - dot - 1;
    return baseBytes >= 1 && baseBytes <= 8 && (dot == std::string::npos || (extensionBytes >= 1 && extensionBytes <= 3));
}

std::string ShortNameOf(const std::string& hostDir, const std::string& hostName) {
    // An 8.3 name is its own short name, whatever else the directory holds.
    std::string name932;
    if (!Unstorable(hostName) && Utf8ToCp932(hostName, &name932) && IsShortName(name932))
        return UpperAscii932(name932);
    auto cached = gDirs.find(hostDir);
    if (cached != gDirs.end()) {
        auto found = cached->second.shortOf.find(hostName);
        if (found != cached->second.shortOf.end()) return found->second;
    }
    const DirNames& names = ComputeDirectory(hostDir);  // a name made since
    auto found = names.shortOf.find(hostName);
    return found != names.shortOf.end() ? found->second : std::string();
}

std::string AlternateNameOf(const std::string& hostDir, const std::string& hostName) {
    if (hostName == "." || hostName == "..") return std::string();
    std::string shortName = ShortNameOf(hostDir, hostName), name932;
    if (shortName.empty() || (Utf8ToCp932(hostName, &name932) && name932 == shortName)) return std::string();
    return shortName;
}

bool LongNameOfShort(const std::string& hostDir, const std::string& name932, std::string* hostName) {
    // Every made short name has a '~'; an 8.3 long name is found by its own name.
    if (!HasTilde(name932) || !IsShortName(name932)) return false;
    std::string wanted = UpperAscii932(name932);
    for (int pass = 0; pass < 2; ++pass) {
        auto cached = gDirs.find(hostDir);
        const DirNames* names = pass == 0 ? (cached != gDirs.end() ? &cached->second : nullptr)
                                          : &ComputeDirectory(hostDir);
        if (!names) continue;
        auto found = names->longOf.find(wanted);
        struct stat st;
        if (found != names->longOf.end() && LstatInDrive(hostDir + "/" + found->second, &st) == 0) {
            *hostName = found->second;
            return true;
        }
    }
    return false;
}

}  // namespace host

// Works on the full path: a relative path gives a full short path, where
// Windows keeps it relative.
DWORD GetShortPathNameA(LPCSTR longPath, LPSTR shortPath, DWORD size) {
    std::string full;
    if (!longPath || !host::FullWindowsPath(longPath, &full)) {
        SetLastError(longPath ? ERROR_PATH_NOT_FOUND : ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto drive = host::Config().drives.find(full[0]);
    if (drive == host::Config().drives.end()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return 0;
    }
    std::string out = full.substr(0, 3), prefix = out;
    std::vector<std::string> levels = host::SplitPath(full.substr(3));
    for (size_t i = 0; i < levels.size(); ++i) {
        if (levels[i].empty()) continue;  // the root, or a trailing backslash
        prefix += (i ? "\\" : "") + levels[i];
        std::string hostPath;
        struct stat st;
        if (!host::MapToHost(prefix, &hostPath) || host::LstatInDrive(hostPath, &st) != 0) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return 0;
        }
        std::string hostName = hostPath.substr(hostPath.rfind('/') + 1);
        std::string shortName = host::ShortNameOf(hostPath.substr(0, hostPath.rfind('/')), hostName);
        if (shortName.empty()) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return 0;
        }
        out += (i ? "\\" : "") + shortName;
    }
    if (levels.size() > 1 && levels.back().empty()) out += "\\";
    if (!shortPath || out.size() + 1 > size) return (DWORD)out.size() + 1;
    memcpy(shortPath, out.c_str(), out.size() + 1);
    return (DWORD)out.size();
}
