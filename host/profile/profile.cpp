// Profile (INI) file calls. Like Windows, the reading calls keep a parsed copy
// of the file; here it is checked against the host file's stamp (device,
// inode, size, change times) on each call, and its lookups are hashed, so a
// program that reads thousands of numbered keys reads the file once.
// Less than Windows: no mapping of files to the registry (IniFileMapping) and
// no UTF-16 files; the bytes are code page 932 and are never converted.
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/codepage.h"
#include "core/drive_files.h"
#include "core/machine.h"
#include "kernel/host_error.h"
#include "kernel/state_file.h"
#include "profile/profile_text.h"
#include "windows_host.h"

namespace {

using host::ProfileLine;
using host::ProfileLineKind;

// Files kept parsed at once; more are dropped, any one first.
constexpr size_t kMaxCachedFiles = 8;

struct Section {
    size_t header;                                 // line index of "[name]"
    std::vector<size_t> entries;                   // its key and bare lines, in order
    std::unordered_map<std::string, size_t> keys;  // NameKey -> first line of that key
};

struct Profile {
    std::string text;
    std::vector<ProfileLine> lines;
    std::vector<Section> sections;
    std::unordered_map<std::string, size_t> sectionIndex;  // NameKey -> first section of that name
    host::FileStamp stamp;  // the version of the file the text was read from
    // Written within the current tick of the file system's clock: a later
    // write in the same tick would leave the stamp as it is, so the text
    // is compared again until the clock has moved on.
    bool racy = false;

    explicit Profile(std::string content) : text(std::move(content)) {
        lines = host::ParseProfileLines(text);
        for (size_t i = 0; i < lines.size(); ++i) {
            const ProfileLine& line = lines[i];
            if (line.kind == ProfileLineKind::kSection) {
                sectionIndex.emplace(host::NameKey(Text(line.name)), sections.size());
                sections.push_back(Section{i, {}, {}});
            } else if (!sections.empty() &&
                       (line.kind == ProfileLineKind::kKey || line.kind == ProfileLineKind::kBare)) {
                Section& section = sections.back();
                section.entries.push_back(i);
                if (line.kind == ProfileLineKind::kKey) section.keys.emplace(host::NameKey(Text(line.name)), i);
            }
        }
    }

    std::string_view Text(host::TextSpan span) const { return host::SpanText(text, span); }

    const Section* FindSection(const char* name) const {
        auto it = sectionIndex.find(host::NameKey(host::TrimNameArgument(name)));
        return it == sectionIndex.end() ? nullptr : &sections[it->second];
    }

    const ProfileLine* FindKey(const Section& section, const char* name) const {
        auto it = section.keys.find(host::NameKey(host::TrimNameArgument(name)));
        return it == section.keys.end() ? nullptr : &lines[it->second];
    }
};

std::unordered_map<std::string, std::unique_ptr<Profile>> gCache;  // host path -> parsed file

// A file name without any path is in the Windows directory, as on Windows.
bool ProfileWindowsPath(const char* fileName, std::string* full) {
    std::string name = fileName;
    bool hasPath = false;
    for (size_t i = 0; i < name.size(); ++i) {
        unsigned char c = (unsigned char)name[i];
        if (host::IsLeadByte932(c)) ++i;
        else if (c == '\\' || c == '/' || c == ':') hasPath = true;
    }
    if (!hasPath) {
        char windows[MAX_PATH];
        UINT length = GetWindowsDirectoryA(windows, sizeof windows);
        if (length == 0 || length >= sizeof windows) return false;
        name = std::string(windows) + "\\" + name;
    }
    return host::FullWindowsPath(name, full);
}

bool ProfileHostPath(const char* fileName, std::string* hostPath) {
    std::string full;
    return ProfileWindowsPath(fileName, &full) && host::MapToHost(full, hostPath);
}

// Host paths of profile files found before, by drive folder and Windows path:
// mapping a path looks at every level of it on the host, and a program reads
// the same file thousands of times.
std::unordered_map<std::string, std::string> gHostPaths;
constexpr size_t kMaxHostPaths = 64;

// The host path and state of an existing regular file; false when there is
// none (hostPath is still set when the path maps).
bool FindProfileFile(const char* fileName, std::string* hostPath, struct stat* st) {
    std::string full;
    if (!ProfileWindowsPath(fileName, &full)) return false;
    auto drive = host::Config().drives.find(full[0]);
    if (drive == host::Config().drives.end()) return false;
    std::string memoKey = drive->second.hostDir + '\n' + host::UpperAscii932(full);
    auto known = gHostPaths.find(memoKey);
    if (known != gHostPaths.end()) {
        // Still there: a name maps to the file it named before (a link that
        // leads out is no regular file; the file is read confined anyway).
        *hostPath = known->second;
        if (host::LookAtName(AT_FDCWD, hostPath->c_str(), *hostPath, st) == 0 && S_ISREG(st->st_mode)) return true;
        gHostPaths.erase(known);
    }
    if (!host::MapToHost(full, hostPath)) return false;
    if (host::StatInDrive(*hostPath, st) != 0 || !S_ISREG(st->st_mode)) return false;
    if (gHostPaths.size() >= kMaxHostPaths) gHostPaths.clear();
    gHostPaths.emplace(memoKey, *hostPath);
    return true;
}

// Reads a whole regular file of a drive, never through a link out of it; false (errno set) when it cannot.
bool ReadProfileFile(const std::string& hostPath, std::string* text, struct stat* st) {
    int fd = host::OpenInDrive(hostPath, O_RDONLY);
    if (fd < 0) return false;
    if (fstat(fd, st) != 0 || !S_ISREG(st->st_mode)) {
        close(fd);
        errno = EISDIR;
        return false;
    }
    text->clear();
    text->reserve((size_t)st->st_size);
    char chunk[65536];
    for (;;) {
        ssize_t got = read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            close(fd);
            return got == 0;
        }
        text->append(chunk, (size_t)got);
    }
}

// The parsed file, from the cache while the host file is unchanged; null
// when there is no such file.
const Profile* OpenProfile(const char* fileName) {
    std::string hostPath;
    struct stat st;
    if (!fileName || !FindProfileFile(fileName, &hostPath, &st)) {
        if (!hostPath.empty()) gCache.erase(hostPath);
        return nullptr;
    }
    auto cached = gCache.find(hostPath);
    if (cached != gCache.end() && !cached->second->racy && cached->second->stamp == host::StampOf(st))
        return cached->second.get();

    // File times come from the coarse clock: taken before the file is looked
    // at, any later write shows as a later time unless it is still this tick.
    timespec now;
    clock_gettime(CLOCK_REALTIME_COARSE, &now);
    std::string text;
    if (!ReadProfileFile(hostPath, &text, &st)) {
        gCache.erase(hostPath);
        return nullptr;
    }
    Profile* profile;
    if (cached != gCache.end() && cached->second->text == text) {
        profile = cached->second.get();
    } else {
        if (cached == gCache.end() && gCache.size() >= kMaxCachedFiles) gCache.erase(gCache.begin());
        std::unique_ptr<Profile>& slot = gCache[hostPath];
        slot = std::make_unique<Profile>(std::move(text));
        profile = slot.get();
    }
    profile->stamp = host::StampOf(st);
    long long nowNs = now.tv_sec * 1000000000LL + now.tv_nsec;
    profile->racy = profile->stamp.mtimeNs >= nowNs || profile->stamp.ctimeNs >= nowNs;
    return profile;
}

// Copies one string; a cut one ends in a null and returns size - 1.
DWORD CopyString(std::string_view text, LPSTR buffer, DWORD size) {
    if (text.size() < size) {
        memcpy(buffer, text.data(), text.size());
        buffer[text.size()] = 0;
        return (DWORD)text.size();
    }
    memcpy(buffer, text.data(), size - 1);
    buffer[size - 1] = 0;
    SetLastError(ERROR_MORE_DATA);
    return size - 1;
}

// Copies a list given as strings each followed by a null, adding the final
// null; a cut list ends in two nulls and returns size - 2 (0 below 2).
DWORD CopyList(const std::string& list, LPSTR buffer, DWORD size) {
    if (list.size() < size) {
        memcpy(buffer, list.data(), list.size());
        buffer[list.size()] = 0;
        if (list.empty() && size >= 2) buffer[1] = 0;
        return (DWORD)list.size();
    }
    SetLastError(ERROR_MORE_DATA);
    if (size < 2) {
        buffer[0] = 0;
        return 0;
    }
    memcpy(buffer, list.data(), size - 2);
    buffer[size - 2] = 0;
    buffer[size - 1] = 0;
    return size - 2;
}

// Names go in the list each followed by a null; an empty name would read as
// the list's end, so it is left out.
void AddToList(std::string_view name, std::string* list) {
    if (name.empty()) return;
    list->append(name);
    list->push_back('\0');
}

DWORD CopyDefault(LPCSTR defaultValue, LPSTR buffer, DWORD size) {
    std::string_view text = defaultValue ? defaultValue : "";
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);  // only spaces, as Windows does
    return CopyString(text, buffer, size);
}

// A temporary file beside a name, made new (never one that is there, nor
// through a link); -1 with errno set.
int MakeTemporary(const host::NameInDrive& name, std::string* temporary) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        unsigned char random[6];
        if (getrandom(random, sizeof random, 0) != (ssize_t)sizeof random) return -1;
        *temporary = std::string(name.name()) + "~";
        static const char kLetters[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
        for (unsigned char byte : random) *temporary += kLetters[byte % (sizeof kLetters - 1)];
        int fd = openat(name.dir(), temporary->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// Writes a file through a temporary one beside it, so readers see the old
// text or the new one, never a mix. The name is replaced, whatever a link of
// that name leads to. 0, or the host error.
int WriteAtomically(const std::string& hostPath, const std::string& text, mode_t mode) {
    host::NameInDrive name(hostPath);
    std::string temporary;
    int fd = name.ok() ? MakeTemporary(name, &temporary) : -1;
    if (fd < 0) return errno ? errno : EIO;
    size_t done = 0;
    int error = 0;
    while (done < text.size()) {
        ssize_t wrote = write(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) {
            error = errno ? errno : EIO;
            break;
        }
        done += (size_t)wrote;
    }
    if (!error && fchmod(fd, mode) != 0) error = errno;
    if (close(fd) != 0 && !error) error = errno;
    if (!error && renameat(name.dir(), temporary.c_str(), name.dir(), name.name()) != 0) error = errno;
    if (error) {
        unlinkat(name.dir(), temporary.c_str(), 0);
        return error;
    }
    return 0;
}

bool HostDirectoryOf(const std::string& hostPath) {
    size_t slash = hostPath.rfind('/');
    struct stat st;
    return slash != std::string::npos && host::StatInDrive(hostPath.substr(0, slash), &st) == 0 &&
           S_ISDIR(st.st_mode);
}

}  // namespace

// A null file name reads nothing (Windows reads WIN.INI).
DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer, DWORD size,
                               LPCSTR fileName) {
    if (!buffer || size == 0) return 0;
    const Profile* profile = OpenProfile(fileName);
    if (!profile) SetLastError(ERROR_FILE_NOT_FOUND);
    std::string list;
    if (!section) {
        // Every section, duplicates included.
        if (profile)
            for (const Section& s : profile->sections) AddToList(profile->Text(profile->lines[s.header].name), &list);
        return CopyList(list, buffer, size);
    }
    const Section* found = profile ? profile->FindSection(section) : nullptr;
    if (!key) {
        // Every key of the first section of that name, duplicates included.
        if (found)
            for (size_t i : found->entries)
                if (profile->lines[i].kind == ProfileLineKind::kKey) AddToList(profile->Text(profile->lines[i].name), &list);
        return CopyList(list, buffer, size);
    }
    const ProfileLine* line = found ? profile->FindKey(*found, key) : nullptr;
    if (!line) return CopyDefault(defaultValue, buffer, size);
    return CopyString(host::UnquoteValue(profile->Text(line->value)), buffer, size);
}

// Lines come back as "name=value" with blanks trimmed and quotes kept, bare
// lines as they are; comments are left out.
DWORD GetPrivateProfileSectionA(LPCSTR section, LPSTR buffer, DWORD size, LPCSTR fileName) {
    if (!buffer || size == 0) return 0;
    const Profile* profile = OpenProfile(fileName);
    if (!profile) SetLastError(ERROR_FILE_NOT_FOUND);
    const Section* found = profile && section ? profile->FindSection(section) : nullptr;
    std::string list;
    if (found) {
        for (size_t i : found->entries) {
            const ProfileLine& line = profile->lines[i];
            list.append(profile->Text(line.name));
            if (line.kind == ProfileLineKind::kKey) list.append("=").append(profile->Text(line.value));
            list.push_back('\0');
        }
    }
    return CopyList(list, buffer, size);
}

// Decimal, or hexadecimal after "0x"; reading stops at the first other
// character. A missing or empty value gives the default.
UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT defaultValue, LPCSTR fileName) {
    if (!section || !key) return (UINT)defaultValue;
    char text[64];
    if (GetPrivateProfileStringA(section, key, "", text, sizeof text, fileName) == 0) return (UINT)defaultValue;
    const char* p = text;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    UINT value = 0;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        for (p += 2;; ++p) {
            int digit = (*p >= '0' && *p <= '9')   ? *p - '0'
                        : (*p >= 'a' && *p <= 'f') ? *p - 'a' + 10
                        : (*p >= 'A' && *p <= 'F') ? *p - 'A' + 10
                                                   : -1;
            if (digit < 0) break;
            value = value * 16 + (UINT)digit;
        }
    } else {
        for (; *p >= '0' && *p <= '9'; ++p) value = value * 10 + (UINT)(*p - '0');
    }
    return negative ? 0u - value : value;
}

// Works on the first section and the first key of a name, as lookups do: a
// duplicate key is never added, and later duplicates stay as they are. A null
// file name fails (Windows writes WIN.INI).
BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName) {
    if (!section && !key && !value) {
        gCache.clear();
        return FALSE;  // Windows 95 reports the flush as a failure too
    }
    if (!section || !fileName) return host::Fail(ERROR_INVALID_PARAMETER);
    std::string hostPath;
    if (!ProfileHostPath(fileName, &hostPath)) return host::Fail(ERROR_PATH_NOT_FOUND);
    gCache.erase(hostPath);
    std::string text;
    struct stat st;
    int readError = ReadProfileFile(hostPath, &text, &st) ? 0 : errno;
    bool exists = readError == 0;
    if (!exists && readError != ENOENT) return host::FailWithErrno(__func__, readError, hostPath);
    if (!exists && (!key || !value)) return TRUE;  // nothing to delete
    if (!exists && !HostDirectoryOf(hostPath)) return host::Fail(ERROR_PATH_NOT_FOUND);
    if (exists && !(st.st_mode & 0222)) return host::Fail(ERROR_ACCESS_DENIED);  // the read-only attribute
    std::string edited;
    if (!host::EditProfileText(text, host::TrimNameArgument(section), key, value, &edited)) return TRUE;
    int writeError = WriteAtomically(hostPath, edited, exists ? (st.st_mode & 07777) : 0644);
    if (writeError != 0) return host::FailWithErrno(__func__, writeError, hostPath);
    return TRUE;
}
