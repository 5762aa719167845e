// Maps full Windows paths to host paths. Each level is matched as written,
// else without regard to ASCII case, else as a short (8.3) name. The folders
// a process goes through are remembered with their names, checked against
// the host folder's stamp before each use, so that a path costs a stat or
// two instead of a walk of every level and a read of its folder.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <unordered_map>

#include "codepage.h"
#include "drive_files.h"
#include "kernel/short_names.h"
#include "kernel/state_file.h"
#include "machine.h"

namespace host {

namespace {

// A descriptor of a folder itself (O_PATH), reached without leaving its
// drive, closed with its entry.
class FolderFd {
  public:
    FolderFd() = default;
    FolderFd(FolderFd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    FolderFd& operator=(FolderFd&& other) noexcept {
        if (this != &other) {
            Close();
            fd_ = other.fd_;
            other.fd_ = -1;
        }
        return *this;
    }
    ~FolderFd() { Close(); }
    // The descriptor, opened on first use; -1 when the folder cannot be opened.
    int Get(const std::string& hostDir) {
        if (fd_ < 0) fd_ = OpenInDrive(hostDir, O_PATH | O_DIRECTORY);
        return fd_;
    }

  private:
    void Close() {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }
    int fd_ = -1;
};

struct Folder {
    std::string hostDir;    // the host folder
    FileStamp stamp;        // the folder as last seen
    bool listed = false;    // byUpper holds every name
    std::unordered_map<std::string, std::string> byUpper;  // upper-cased 932 name -> host name
    FolderFd fd;            // the folder itself, for calls relative to it once its path is checked
    ino_t fdInode = 0;      // the inode fd was opened on
    unsigned long checkedBy = 0;  // the lookup that last checked the folder's path (gLookUps)
};

std::unordered_map<std::string, Folder> gFolders;  // drive folder + upper-cased Windows directory -> folder
std::unordered_map<std::string, std::string> gKeyOfHostDir;  // host folder -> its key in gFolders
constexpr size_t kMaxFolders = 256;
unsigned long gLookUps = 0;  // LookUpPath calls so far

// The folder's descriptor, when it is of the folder its stamp is of; -1
// otherwise. Good where the folder's path was just checked: then that path
// leads to this folder, and a call relative to it needs no walk of the path.
int CheckedFd(Folder& folder) {
    int fd = folder.fd.Get(folder.hostDir);
    if (fd >= 0 && folder.fdInode == 0) {
        struct stat st;
        folder.fdInode = fstat(fd, &st) == 0 ? st.st_ino : 0;
    }
    return fd >= 0 && folder.fdInode == folder.stamp.inode ? fd : -1;
}

// The status of a name in a folder whose path was just checked, as
// LookAtName reports it.
int StatIn(Folder& folder, const std::string& name, struct stat* st) {
    int fd = CheckedFd(folder);
    std::string hostPath = folder.hostDir + "/" + name;
    return fd >= 0 ? LookAtName(fd, name.c_str(), hostPath, st) : LookAtName(AT_FDCWD, hostPath.c_str(), hostPath, st);
}

const DriveInfo* DriveOf(const std::string& fullPath) {
    if (fullPath.size() < 3 || fullPath[1] != ':' || fullPath[2] != '\\') return nullptr;
    auto drive = Config().drives.find((char)toupper((unsigned char)fullPath[0]));
    return drive == Config().drives.end() ? nullptr : &drive->second;
}

// The key of a Windows directory (ending in '\'): another machine, or a drive
// mounted elsewhere, has other folders.
std::string FolderKey(const DriveInfo& drive, const std::string& windowsDir) {
    std::string key;
    key.reserve(drive.hostDir.size() + 1 + windowsDir.size());
    key += drive.hostDir;
    key += '\n';
    for (size_t i = 0; i < windowsDir.size(); ++i) {  // as UpperAscii932
        unsigned char c = (unsigned char)windowsDir[i];
        if (IsLeadByte932(c) && i + 1 < windowsDir.size()) {
            key += windowsDir[i++];
            key += windowsDir[i];
        } else {
            key += (char)(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        }
    }
    return key;
}

void ListFolder(Folder& folder) {
    folder.byUpper.clear();
    if (DIR* dir = OpenFolderInDrive(folder.hostDir)) {
        while (struct dirent* entry = readdir(dir)) {
            std::string name;
            if (Utf8ToCp932(entry->d_name, &name)) folder.byUpper.emplace(UpperAscii932(name), entry->d_name);
        }
        closedir(dir);
    }
    folder.listed = true;
}

Folder& Remember(const std::string& key, const std::string& hostDir, const struct stat& st) {
    if (gFolders.size() >= kMaxFolders) ForgetHostPaths();
    Folder& folder = gFolders[key];
    folder = Folder();
    folder.hostDir = hostDir;
    folder.stamp = StampOf(st);
    folder.checkedBy = gLookUps;
    gKeyOfHostDir[hostDir] = key;
    return folder;
}

// Finds a name in a folder whose path was just checked: as written, else by
// case, else as a short name. `missingAsWritten`: a stat of the name as
// written in this folder has just failed.
bool FindIn(Folder& folder, const std::string& name932, std::string* hostPath, struct stat* st,
            bool missingAsWritten = false) {
    std::string utf8;
    if (!Cp932ToUtf8(name932, &utf8)) return false;
    *hostPath = folder.hostDir + "/" + utf8;
    if (!missingAsWritten && StatIn(folder, utf8, st) == 0) return true;
    if (!folder.listed) ListFolder(folder);
    auto found = folder.byUpper.find(UpperAscii932(name932));
    if (found != folder.byUpper.end() && found->second != utf8) {
        if (StatIn(folder, found->second, st) == 0) {
            *hostPath = folder.hostDir + "/" + found->second;
            return true;
        }
    }
    std::string longName;
    if (LongNameOfShort(folder.hostDir, name932, &longName)) {
        if (StatIn(folder, longName, st) == 0) {
            *hostPath = folder.hostDir + "/" + longName;
            return true;
        }
    }
    *hostPath = folder.hostDir + "/" + utf8;
    return false;
}

// The folder of a full Windows directory path ending in '\', as it is now;
// null when there is none, with *denied set when a level of it is a link
// that leads out of the drive. `key` is FolderKey(drive, windowsDir).
Folder* FolderOf(const DriveInfo& drive, const std::string& windowsDir, const std::string& key,
                 bool* denied = nullptr) {
    auto known = gFolders.find(key);
    if (known != gFolders.end()) {
        Folder& folder = known->second;
        FileStamp stamp = StampOf(folder.hostDir);
        if (stamp.exists && stamp.inode == folder.stamp.inode) folder.checkedBy = gLookUps;
        if (stamp == folder.stamp) return &folder;
        if (stamp.exists && stamp.inode == folder.stamp.inode) {  // the same folder, with other names
            folder.stamp = stamp;
            folder.listed = false;
            folder.byUpper.clear();
            return &folder;
        }
        gKeyOfHostDir.erase(folder.hostDir);
        gFolders.erase(known);
    }
    struct stat st;
    if (windowsDir.size() == 3) {
        if (stat(drive.hostDir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return nullptr;
        return &Remember(key, drive.hostDir, st);
    }
    size_t start = LastLevelStart(windowsDir, windowsDir.size() - 1);
    std::string name = windowsDir.substr(start, windowsDir.size() - 1 - start);
    std::string parentDir = windowsDir.substr(0, start);
    Folder* parent = FolderOf(drive, parentDir, FolderKey(drive, parentDir), denied);
    std::string hostDir;
    if (!parent || !FindIn(*parent, name, &hostDir, &st)) return nullptr;
    if (!S_ISDIR(st.st_mode)) {
        if (denied && S_ISLNK(st.st_mode)) *denied = true;
        return nullptr;
    }
    return &Remember(key, hostDir, st);
}

// The path's last name and its directory (ending in '\'); a trailing
// backslash is not a name.
void SplitLastName(const std::string& fullPath, std::string* windowsDir, std::string* name) {
    size_t end = fullPath.size(), start = LastLevelStart(fullPath, end);
    if (end > 3 && start == end) start = LastLevelStart(fullPath, --end);
    if (end <= 3) start = end;
    name->assign(fullPath, start, end - start);
    windowsDir->assign(fullPath, 0, start);
}

// The walk for a path whose folder does not exist: existing levels matched,
// the rest converted.
bool WalkMissing(const DriveInfo& drive, const std::string& fullPath, std::string* hostPath) {
    std::string out = drive.hostDir, windowsDir = fullPath.substr(0, 3);
    bool existing = true;
    for (const std::string& level : SplitPath(fullPath.substr(3))) {
        if (level.empty()) continue;
        std::string utf8;
        if (!Cp932ToUtf8(level, &utf8)) return false;
        Folder* folder = existing ? FolderOf(drive, windowsDir, FolderKey(drive, windowsDir)) : nullptr;
        struct stat st;
        std::string found;
        if (folder && FindIn(*folder, level, &found, &st)) {
            out = found;
        } else {
            existing = false;
            out += "/" + utf8;
        }
        windowsDir += level + "\\";
    }
    *hostPath = out;
    return true;
}

}  // namespace

PathLookup LookUpPath(const std::string& fullPath, std::string* hostPath, struct stat* st) {
    const DriveInfo* drive = DriveOf(fullPath);
    // A longer path names no file; the walk of its folders is bounded by it.
    if (!drive || fullPath.size() > kMaxPathBytes) return PathLookup::kNoFolder;
    std::string windowsDir, name;
    SplitLastName(fullPath, &windowsDir, &name);
    ++gLookUps;
    std::string key = FolderKey(*drive, windowsDir), tried;
    auto known = gFolders.find(key);
    // A name that is there as written in a folder seen before needs no check
    // of the folder: the host path itself leads to it. A name the folder's
    // list lacks is likely new, and is looked for after the folder's check,
    // relative to the folder.
    if (known != gFolders.end() && !name.empty() &&
        !(known->second.listed && known->second.byUpper.count(UpperAscii932(name)) == 0)) {
        std::string utf8;
        if (!Cp932ToUtf8(name, &utf8)) return PathLookup::kNoFolder;
        tried = known->second.hostDir + "/" + utf8;
        if (LookAtName(AT_FDCWD, tried.c_str(), tried, st) == 0) {
            *hostPath = std::move(tried);
            return PathLookup::kFound;
        }
    }
    bool denied = false;
    Folder* folder = FolderOf(*drive, windowsDir, key, &denied);
    if (!folder) return denied ? PathLookup::kDenied : PathLookup::kNoFolder;
    if (name.empty()) {
        *hostPath = folder->hostDir;
        return StatInDrive(*hostPath, st) == 0 ? PathLookup::kFound : PathLookup::kNoFolder;
    }
    std::string utf8;
    if (!Cp932ToUtf8(name, &utf8)) return PathLookup::kNoFolder;
    // A name is looked for as written even when the folder's list lacks it:
    // a folder changed within the clock's tick keeps its stamp, so the list
    // may miss a name another writer has just made.
    bool missingAsWritten = !tried.empty() && tried == folder->hostDir + "/" + utf8;
    return FindIn(*folder, name, hostPath, st, missingAsWritten) ? PathLookup::kFound : PathLookup::kMissing;
}

bool MapToHost(const std::string& fullPath, std::string* hostPath) {
    const DriveInfo* drive = DriveOf(fullPath);
    if (!drive || fullPath.size() > kMaxPathBytes) return false;
    struct stat st;
    PathLookup lookup = LookUpPath(fullPath, hostPath, &st);
    if (lookup == PathLookup::kFound || lookup == PathLookup::kMissing) return true;
    return WalkMissing(*drive, fullPath, hostPath);
}

void NoteHostNameMade(const std::string& hostPath) {
    size_t slash = hostPath.rfind('/');
    if (slash == std::string::npos) return;
    auto key = gKeyOfHostDir.find(hostPath.substr(0, slash));
    if (key == gKeyOfHostDir.end()) return;
    auto known = gFolders.find(key->second);
    if (known == gFolders.end()) return;
    Folder& folder = known->second;
    std::string name932;
    struct stat st;
    int fd = CheckedFd(folder);
    // The caller has just reached the folder by its path, so the folder
    // opened is the one at that path: its status is read without a walk.
    if (folder.listed && Utf8ToCp932(hostPath.substr(slash + 1), &name932) && fd >= 0 && fstat(fd, &st) == 0 &&
        st.st_ino == folder.stamp.inode) {
        folder.byUpper.emplace(UpperAscii932(name932), hostPath.substr(slash + 1));
        folder.stamp = StampOf(st);
    } else {
        folder.listed = false;
        folder.byUpper.clear();
    }
}

HostAt HostAtOf(const std::string& hostPath) {
    size_t slash = hostPath.rfind('/');
    auto key = slash == std::string::npos ? gKeyOfHostDir.end() : gKeyOfHostDir.find(hostPath.substr(0, slash));
    if (key != gKeyOfHostDir.end()) {
        auto known = gFolders.find(key->second);
        if (known != gFolders.end() && known->second.checkedBy == gLookUps) {
            int fd = CheckedFd(known->second);
            if (fd >= 0) return HostAt{fd, hostPath.c_str() + slash + 1};
        }
    }
    return HostAt{AT_FDCWD, hostPath.c_str()};
}

void ForgetHostPaths() {
    gFolders.clear();
    gKeyOfHostDir.clear();
    ForgetDriveRoots();
}

}  // namespace host
