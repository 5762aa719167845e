#include "core/drive_files.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "core/machine.h"

namespace host {

namespace {

// A drive's root folder, held open while the drive is where it is.
struct Root {
    std::string dir;  // the drive's host folder, without a trailing slash ("" for "/")
    int fd;
};
std::vector<Root> gRoots;
bool gLevelWalk = false;       // set for tests: as without openat2
bool gNoOpenat2 = false;       // the kernel answered ENOSYS

std::string WithoutTrailingSlashes(std::string dir) {
    while (!dir.empty() && dir.back() == '/') dir.pop_back();
    return dir;
}

int RootFd(const std::string& dir, bool reopen = false) {
    for (Root& root : gRoots) {
        if (root.dir != dir) continue;
        if (reopen || root.fd < 0) {
            if (root.fd >= 0) close(root.fd);
            root.fd = open(dir.empty() ? "/" : dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        }
        return root.fd;
    }
    int fd = open(dir.empty() ? "/" : dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) gRoots.push_back(Root{dir, fd});
    return fd;
}

// The drive folder that holds a host path (the deepest, where one drive's
// folder is inside another's) and the path below it ("." for the folder
// itself); false with errno EXDEV for a path under no drive.
bool DrivePathOf(const std::string& hostPath, std::string* rootDir, std::string* below) {
    bool found = false;
    for (const auto& drive : Config().drives) {
        if (drive.second.hostDir.empty()) continue;  // no folder: nothing is below it
        std::string dir = WithoutTrailingSlashes(drive.second.hostDir);
        if (hostPath.compare(0, dir.size(), dir) != 0) continue;
        if (hostPath.size() > dir.size() && hostPath[dir.size()] != '/') continue;
        if (found && dir.size() <= rootDir->size()) continue;
        *rootDir = dir;
        found = true;
    }
    if (!found) {
        errno = EXDEV;
        return false;
    }
    size_t start = rootDir->size();
    while (start < hostPath.size() && hostPath[start] == '/') ++start;
    *below = start < hostPath.size() ? hostPath.substr(start) : ".";
    return true;
}

// Without openat2: one level at a time from `start`, no link followed.
int WalkLevels(int start, const std::string& path, int flags, mode_t mode) {
    std::vector<std::string> levels;
    size_t at = 0;
    while (at <= path.size()) {
        size_t slash = path.find('/', at);
        if (slash == std::string::npos) slash = path.size();
        std::string level = path.substr(at, slash - at);
        if (level == "..") {
            errno = EXDEV;
            return -1;
        }
        if (!level.empty() && level != ".") levels.push_back(level);
        at = slash + 1;
    }
    if (levels.empty()) return openat(start, ".", flags | O_CLOEXEC, mode);
    int dir = start;
    for (size_t i = 0; i + 1 < levels.size(); ++i) {
        int next = openat(dir, levels[i].c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
        int error = errno;
        struct stat st;
        if (next >= 0 && fstat(next, &st) == 0 && !S_ISDIR(st.st_mode)) {
            error = S_ISLNK(st.st_mode) ? ELOOP : ENOTDIR;
            close(next);
            next = -1;
        }
        if (dir != start) close(dir);
        if (next < 0) {
            errno = error;
            return -1;
        }
        dir = next;
    }
    const char* name = levels.back().c_str();
    int fd = openat(dir, name, flags | O_NOFOLLOW | O_CLOEXEC, mode);
    int error = errno;
    struct stat st;
    if (fd >= 0 && (flags & O_PATH) && fstat(fd, &st) == 0 && S_ISLNK(st.st_mode)) {
        close(fd);
        fd = -1;
        error = ELOOP;
    } else if (fd < 0 && error == ENOTDIR && fstatat(dir, name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
               S_ISLNK(st.st_mode)) {
        error = ELOOP;
    }
    if (dir != start) close(dir);
    errno = error;
    return fd;
}

// Opens `path` below the folder `dir` without leaving it.
int OpenBeneath(int dir, const std::string& path, int flags, mode_t mode) {
    if (!gLevelWalk && !gNoOpenat2) {
        struct open_how how = {};
        how.flags = (unsigned long long)(flags | O_CLOEXEC);
        how.mode = (flags & O_CREAT) ? mode : 0;
        how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
        long fd = syscall(SYS_openat2, dir, path.c_str(), &how, sizeof how);
        if (fd >= 0 || errno != ENOSYS) return (int)fd;
        gNoOpenat2 = true;
    }
    return WalkLevels(dir, path, flags, mode);
}

// OpenBeneath, and for an open of a file's content the check that it is a
// regular file: opened without waiting (a FIFO without a writer, a device),
// and refused unless regular.
int OpenChecked(int dir, const std::string& path, int flags, mode_t mode) {
    bool content = !(flags & (O_PATH | O_DIRECTORY));
    int fd = OpenBeneath(dir, path, content ? flags | O_NONBLOCK | O_NOCTTY : flags, mode);
    if (fd < 0 || !content) return fd;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        errno = EACCES;
        return -1;
    }
    if (!(flags & O_NONBLOCK)) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

// Opens a path below a drive's root folder. A root folder removed and made
// again since it was opened is opened afresh.
int OpenBelowRoot(const std::string& rootDir, const std::string& below, int flags, mode_t mode) {
    int root = RootFd(rootDir);
    if (root < 0) return -1;
    int fd = OpenChecked(root, below, flags, mode);
    struct stat st;
    if (fd < 0 && errno == ENOENT && fstat(root, &st) == 0 && st.st_nlink == 0) {
        root = RootFd(rootDir, true);
        if (root < 0) return -1;
        fd = OpenChecked(root, below, flags, mode);
    }
    return fd;
}

}  // namespace

bool LeadsOut(int error) { return error == EXDEV || error == ELOOP; }

int OpenInDrive(const std::string& hostPath, int flags, mode_t mode) {
    std::string rootDir, below;
    if (!DrivePathOf(hostPath, &rootDir, &below)) return -1;
    return OpenBelowRoot(rootDir, below, flags, mode);
}

int StatInDrive(const std::string& hostPath, struct stat* st) {
    int fd = OpenInDrive(hostPath, O_PATH);
    if (fd < 0) return -1;
    int result = fstat(fd, st);
    int error = errno;
    close(fd);
    errno = error;
    return result;
}

int LstatInDrive(const std::string& hostPath, struct stat* st) {
    NameInDrive name(hostPath);
    if (!name.ok()) return errno == EISDIR ? StatInDrive(hostPath, st) : -1;
    return fstatat(name.dir(), name.name(), st, AT_SYMLINK_NOFOLLOW);
}

int LookAtName(int folderFd, const char* name, const std::string& hostPath, struct stat* st) {
    if (fstatat(folderFd, name, st, AT_SYMLINK_NOFOLLOW) != 0) return -1;
    if (!S_ISLNK(st->st_mode)) return 0;
    struct stat target;
    if (StatInDrive(hostPath, &target) == 0) {
        *st = target;
        return 0;
    }
    return LeadsOut(errno) ? 0 : -1;
}

DIR* OpenFolderInDrive(const std::string& hostDir) {
    int fd = OpenInDrive(hostDir, O_RDONLY | O_DIRECTORY);
    if (fd < 0) return nullptr;
    DIR* dir = fdopendir(fd);
    if (!dir) {
        int error = errno;
        close(fd);
        errno = error;
    }
    return dir;
}

bool ReadDriveFile(const std::string& hostPath, std::string* text) {
    int fd = OpenInDrive(hostPath, O_RDONLY);
    if (fd < 0) return false;
    text->clear();
    char chunk[65536];
    for (;;) {
        ssize_t got = read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            int error = errno;
            close(fd);
            errno = error;
            return got == 0;
        }
        text->append(chunk, (size_t)got);
    }
}

bool WriteDriveFile(const std::string& hostPath, const std::string& bytes) {
    int fd = OpenInDrive(hostPath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return false;
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t wrote = write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) break;
        done += (size_t)wrote;
    }
    int error = done == bytes.size() ? 0 : (errno ? errno : EIO);
    if (close(fd) != 0 && !error) error = errno;
    errno = error;
    return error == 0;
}

int ChmodInDrive(const std::string& hostPath, mode_t mode) {
    int fd = OpenInDrive(hostPath, O_PATH);
    if (fd < 0) return -1;
    // A descriptor opened with O_PATH is changed through its /proc name.
    char procPath[64];
    snprintf(procPath, sizeof procPath, "/proc/self/fd/%d", fd);
    int result = chmod(procPath, mode);
    int error = errno;
    close(fd);
    errno = error;
    return result;
}

NameInDrive::NameInDrive(const std::string& hostPath) : hostPath_(hostPath) {
    std::string rootDir, below;
    if (!DrivePathOf(hostPath, &rootDir, &below)) return;
    if (below == ".") {  // the drive's root folder: no folder of the drive holds it
        errno = EISDIR;
        return;
    }
    size_t slash = below.rfind('/');
    name_ = slash == std::string::npos ? below : below.substr(slash + 1);
    if (name_.empty() || name_ == "." || name_ == "..") {
        errno = ENOENT;
        return;
    }
    // Mostly the folder the last lookup checked, whose descriptor is at hand.
    HostAt at = HostAtOf(hostPath);
    if (at.dir != AT_FDCWD) {
        dir_ = fcntl(at.dir, F_DUPFD_CLOEXEC, 0);
        if (dir_ >= 0) return;
    }
    dir_ = OpenBelowRoot(rootDir, slash == std::string::npos ? "." : below.substr(0, slash), O_PATH | O_DIRECTORY, 0);
}

NameInDrive::~NameInDrive() {
    if (dir_ >= 0) close(dir_);
}

int NameInDrive::Open(int flags, mode_t mode) const {
    int fd = OpenChecked(dir_, name_, flags, mode);
    // A link to another folder of the drive is followed from the drive's root.
    if (fd < 0 && LeadsOut(errno) && !gLevelWalk && !gNoOpenat2) return OpenInDrive(hostPath_, flags, mode);
    return fd;
}

void ForgetDriveRoots() {
    for (const Root& root : gRoots) close(root.fd);
    gRoots.clear();
}

void UseLevelWalkForLinks(bool on) { gLevelWalk = on; }

}  // namespace host
