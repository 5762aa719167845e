// File and directory calls over the machine's drives. Windows semantics are
// the layer's own: the read-only attribute is kept in the host file's write
// bits and checked here, since tests run as root; the hidden attribute is the
// host file's sticky bit, which Linux ignores on files. A link that leads out
// of its drive is listed as an empty file; what is below or behind it is
// refused (ERROR_ACCESS_DENIED), and deleting it deletes the link alone.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/codepage.h"
#include "core/drive_files.h"
#include "core/machine.h"
#include "core/wildcard.h"
#include "kernel/disk_space.h"
#include "kernel/host_error.h"
#include "kernel/short_names.h"
#include "process/run_scope.h"
#include "windows_host.h"

namespace {

// An open directory search: the matches, taken when the search starts.
struct FindState {
    std::vector<WIN32_FIND_DATAA> matches;
    size_t next = 0;
    bool ofRun = false;  // made by the program's run
};

// The open searches, by handle (the address of the search).
std::map<HANDLE, std::unique_ptr<FindState>> gSearches;

FindState* SearchOf(HANDLE find) {
    auto found = gSearches.find(find);
    return found == gSearches.end() ? nullptr : found->second.get();
}

// The searches the program left open when its run ended.
void CloseRunSearches() {
    for (auto it = gSearches.begin(); it != gSearches.end();) {
        if (it->second->ofRun) it = gSearches.erase(it);
        else ++it;
    }
}
const host::RunRelease kCloseRunSearches(CloseRunSearches);

DWORD AttributesOf(const struct stat& st) {
    if (S_ISDIR(st.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
    DWORD attributes = FILE_ATTRIBUTE_ARCHIVE;
    if (!(st.st_mode & 0222)) attributes |= FILE_ATTRIBUTE_READONLY;
    if (st.st_mode & S_ISVTX) attributes |= FILE_ATTRIBUTE_HIDDEN;
    return attributes;
}

void FillFindData(const std::string& name, const struct stat& st, const std::string& hostDir,
                  const std::string& hostName, WIN32_FIND_DATAA* data) {
    memset(data, 0, sizeof *data);
    data->dwFileAttributes = AttributesOf(st);
    unsigned long long size = S_ISREG(st.st_mode) ? (unsigned long long)st.st_size : 0;
    data->nFileSizeLow = (DWORD)size;
    data->nFileSizeHigh = (DWORD)(size >> 32);
    // Windows time: 100 ns ticks since 1601.
    unsigned long long ticks = ((unsigned long long)st.st_mtime + 11644473600ULL) * 10000000ULL;
    data->ftLastWriteTime.dwLowDateTime = (DWORD)ticks;
    data->ftLastWriteTime.dwHighDateTime = (DWORD)(ticks >> 32);
    data->ftCreationTime = data->ftLastAccessTime = data->ftLastWriteTime;
    strncpy(data->cFileName, name.c_str(), MAX_PATH - 1);
    std::string alternate = host::AlternateNameOf(hostDir, hostName);
    strncpy(data->cAlternateFileName, alternate.c_str(), sizeof data->cAlternateFileName - 1);
}

// Splits a full path into its directory (with backslash) and last level.
void SplitLast(const std::string& full, std::string* directory, std::string* last) {
    size_t start = host::LastLevelStart(full, full.size());
    last->assign(full, start, std::string::npos);
    directory->assign(full, 0, start);
}

// True when a full path below the root ends in a backslash character, not
// in a double-byte character whose second byte is 0x5C.
bool EndsInSeparator(const std::string& full) {
    return full.size() > 3 && host::LastLevelStart(full, full.size()) == full.size();
}

using host::Fail;

// Characters Windows refuses in a file name.
bool IsValidName(const std::string& name) {
    for (size_t i = 0; i < name.size(); ++i) {
        unsigned char c = (unsigned char)name[i];
        if (host::IsLeadByte932(c)) {
            ++i;
            continue;
        }
        if (c < 0x20 || strchr("<>:\"/|?*", c)) return false;
    }
    return true;
}

}  // namespace

HANDLE FindFirstFileA(LPCSTR fileName, LPWIN32_FIND_DATAA findData) {
    std::string full;
    if (!fileName || !host::FullWindowsPath(fileName, &full) || full.size() >= MAX_PATH) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::string directory, pattern;
    SplitLast(full, &directory, &pattern);
    std::string hostDir;
    bool wildcards = host::HasWildcards(pattern);
    if (pattern.empty() || (wildcards && !host::MapToHost(directory, &hostDir))) {
        // A name that ends in a backslash is never found.
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    auto state = std::make_unique<FindState>();
    if (!wildcards) {
        std::string hostPath;
        struct stat st;
        host::PathLookup lookup = host::LookUpPath(full, &hostPath, &st);
        if (lookup == host::PathLookup::kDenied) {
            SetLastError(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
        if (lookup == host::PathLookup::kFound) {
            std::string name932;
            size_t slash = hostPath.rfind('/');
            if (!host::Utf8ToCp932(hostPath.substr(slash + 1), &name932)) name932 = pattern;
            state->matches.emplace_back();
            FillFindData(name932, st, hostPath.substr(0, slash), hostPath.substr(slash + 1),
                         &state->matches.back());
        }
    } else if (DIR* dir = host::OpenFolderInDrive(hostDir)) {
        bool atRoot = directory.size() == 3;
        while (struct dirent* entry = readdir(dir)) {
            std::string name = entry->d_name;
            if (atRoot && (name == "." || name == "..")) continue;  // a root has neither
            std::string name932;
            if (!host::Utf8ToCp932(name, &name932)) continue;
            if (!host::MatchWildcard(pattern, name932)) continue;
            struct stat st;
            if (host::LookAtName(dirfd(dir), entry->d_name, hostDir + "/" + name, &st) != 0) continue;
            state->matches.emplace_back();
            FillFindData(name932, st, hostDir, name, &state->matches.back());
        }
        closedir(dir);
    } else if (host::LeadsOut(errno)) {
        host::SetHostError(__func__, hostDir, errno, ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    if (state->matches.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    *findData = state->matches[0];
    state->next = 1;
    state->ofRun = host::InRun();
    HANDLE find = state.get();
    gSearches[find] = std::move(state);
    return find;
}

BOOL FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA findData) {
    FindState* state = SearchOf(find);
    if (!state) return Fail(ERROR_INVALID_HANDLE);
    if (state->next >= state->matches.size()) return Fail(ERROR_NO_MORE_FILES);
    *findData = state->matches[state->next++];
    return TRUE;
}

BOOL FindClose(HANDLE find) {
    if (!gSearches.erase(find)) return Fail(ERROR_INVALID_HANDLE);
    return TRUE;
}

BOOL CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES) {
    std::string full, hostPath;
    if (!path || !host::FullWindowsPath(path, &full)) return Fail(ERROR_PATH_NOT_FOUND);
    if (full.size() > MAX_PATH - 12) return Fail(ERROR_FILENAME_EXCED_RANGE);  // room must stay for an 8.3 name
    std::string directory, last;
    std::string trimmed = EndsInSeparator(full) ? full.substr(0, full.size() - 1) : full;
    SplitLast(trimmed, &directory, &last);
    if (last.empty() || !IsValidName(last)) return Fail(last.empty() ? ERROR_ALREADY_EXISTS : ERROR_INVALID_NAME);
    if (!host::MapToHost(trimmed, &hostPath)) return Fail(ERROR_PATH_NOT_FOUND);
    host::NameInDrive name(hostPath);
    if (!name.ok())
        return host::FailWithErrno(__func__, errno, hostPath,
                                   host::LeadsOut(errno) ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND);
    struct stat st;
    if (fstatat(name.dir(), name.name(), &st, AT_SYMLINK_NOFOLLOW) == 0) return Fail(ERROR_ALREADY_EXISTS);
    if (mkdirat(name.dir(), name.name(), 0755) != 0) return host::FailWithErrno(__func__, errno, hostPath);
    host::NoteHostNameMade(hostPath);
    return TRUE;
}

BOOL RemoveDirectoryA(LPCSTR path) {
    std::string full, hostPath;
    if (!path || !host::FullWindowsPath(path, &full) || full.size() <= 3 || !host::MapToHost(full, &hostPath))
        return Fail(ERROR_PATH_NOT_FOUND);
    host::NameInDrive name(hostPath);
    struct stat st;
    if (!name.ok() || host::LookAtName(name.dir(), name.name(), hostPath, &st) != 0)
        return host::FailWithErrno(__func__, errno, hostPath,
                                   host::LeadsOut(errno) ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND);
    if (!S_ISDIR(st.st_mode)) return Fail(267 /* ERROR_DIRECTORY */);
    if (unlinkat(name.dir(), name.name(), AT_REMOVEDIR) != 0) return host::FailWithErrno(__func__, errno, hostPath);
    return TRUE;
}

DWORD GetFileAttributesA(LPCSTR fileName) {
    std::string full, hostPath;
    struct stat st;
    host::PathLookup lookup = host::PathLookup::kNoFolder;
    if (fileName && host::FullWindowsPath(fileName, &full)) lookup = host::LookUpPath(full, &hostPath, &st);
    if (lookup != host::PathLookup::kFound) {
        SetLastError(lookup == host::PathLookup::kDenied    ? ERROR_ACCESS_DENIED
                     : lookup == host::PathLookup::kMissing ? ERROR_FILE_NOT_FOUND
                                                            : ERROR_PATH_NOT_FOUND);
        return INVALID_FILE_ATTRIBUTES;
    }
    return AttributesOf(st);
}

// Only the read-only and hidden attributes are kept; the others are accepted and dropped.
BOOL SetFileAttributesA(LPCSTR fileName, DWORD attributes) {
    std::string full, hostPath;
    struct stat st;
    host::PathLookup lookup = host::PathLookup::kNoFolder;
    if (fileName && host::FullWindowsPath(fileName, &full)) lookup = host::LookUpPath(full, &hostPath, &st);
    if (lookup != host::PathLookup::kFound || S_ISLNK(st.st_mode))
        return Fail(lookup == host::PathLookup::kMissing || lookup == host::PathLookup::kNoFolder
                        ? ERROR_FILE_NOT_FOUND
                        : ERROR_ACCESS_DENIED);
    if (S_ISDIR(st.st_mode)) return TRUE;
    mode_t mode = (attributes & FILE_ATTRIBUTE_READONLY) ? (st.st_mode & ~0222) : (st.st_mode | 0200);
    mode = (attributes & FILE_ATTRIBUTE_HIDDEN) ? (mode | S_ISVTX) : (mode & ~S_ISVTX);
    if (mode == st.st_mode || host::ChmodInDrive(hostPath, mode & 07777) == 0) return TRUE;
    return host::FailWithErrno(__func__, errno, hostPath, ERROR_ACCESS_DENIED);
}

DWORD GetFullPathNameA(LPCSTR fileName, DWORD bufferLength, LPSTR buffer, LPSTR* filePart) {
    std::string full;
    if (!fileName || !host::FullWindowsPath(fileName, &full)) {
        SetLastError(ERROR_INVALID_NAME);
        return 0;
    }
    if (full.size() + 1 > bufferLength) return (DWORD)full.size() + 1;
    memcpy(buffer, full.c_str(), full.size() + 1);
    if (filePart) {
        std::vector<std::string> levels = host::SplitPath(full);
        *filePart = levels.back().empty() ? nullptr : buffer + full.size() - levels.back().size();
    }
    return (DWORD)full.size();
}

BOOL SetCurrentDirectoryA(LPCSTR path) {
    std::string full, hostPath;
    struct stat st;
    if (!path || !host::FullWindowsPath(path, &full) || !host::MapToHost(full, &hostPath) ||
        host::StatInDrive(hostPath, &st) != 0 || !S_ISDIR(st.st_mode))
        return Fail(ERROR_PATH_NOT_FOUND);
    if (EndsInSeparator(full)) full.pop_back();
    host::CurrentProcess().currentDir = full;
    return TRUE;
}

DWORD GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer) {
    const std::string& dir = host::CurrentProcess().currentDir;
    if (dir.size() + 1 > bufferLength) return (DWORD)dir.size() + 1;
    memcpy(buffer, dir.c_str(), dir.size() + 1);
    return (DWORD)dir.size();
}

// Sector and cluster sizes of a FAT16 drive of the period: 512 x 64.
BOOL GetDiskFreeSpaceA(LPCSTR rootPath, LPDWORD sectorsPerCluster, LPDWORD bytesPerSector,
                       LPDWORD freeClusters, LPDWORD totalClusters) {
    std::string full;
    if (!rootPath || !host::FullWindowsPath(rootPath, &full)) return Fail(ERROR_PATH_NOT_FOUND);
    unsigned long long freeBytes;
    auto drive = host::Config().drives.find(full[0]);
    if (drive == host::Config().drives.end() || !host::DriveFreeBytes(full[0], &freeBytes))
        return Fail(ERROR_PATH_NOT_FOUND);
    // The drive's size: what it was set up with free, or more once files were deleted.
    unsigned long long clusters = freeBytes / host::kClusterBytes;
    unsigned long long total = drive->second.freeMb * 1024ULL * 1024ULL / host::kClusterBytes;
    if (total < clusters) total = clusters;
    if (clusters > 0xFFFFFFFFULL) clusters = 0xFFFFFFFFULL;
    if (total > 0xFFFFFFFFULL) total = 0xFFFFFFFFULL;
    if (sectorsPerCluster) *sectorsPerCluster = (DWORD)host::kSectorsPerCluster;
    if (bytesPerSector) *bytesPerSector = (DWORD)host::kBytesPerSector;
    if (freeClusters) *freeClusters = (DWORD)clusters;
    if (totalClusters) *totalClusters = (DWORD)total;
    return TRUE;
}
