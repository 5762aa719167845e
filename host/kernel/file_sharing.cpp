#include "kernel/file_sharing.h"

#include <sys/stat.h>

#include <map>
#include <set>
#include <sstream>

#include "core/drive_files.h"
#include "core/machine.h"
#include "kernel/state_file.h"

namespace host {

namespace {

const char kLockList[] = "locks";           // host paths of locked files, one a line
const char kLockListLock[] = "locks.lock";  // held while the list is rewritten

// The lock list as last read, and the version of the file it came from: the
// list is read again only when another process has replaced the file.
struct LockCache {
    std::string path;
    FileStamp stamp;
    std::set<std::string> locked;
};
LockCache gLocks;

struct ProcessOpen {
    std::string hostPath;
    int access;  // FileAccess bits
    int share;   // FileShare bits
};
std::map<int, ProcessOpen> gOpens;  // this process's open handles, by id
int gNextOpenId = 1;

const std::set<std::string>& LockedFiles() {
    std::string path = StatePath(kLockList);
    FileStamp stamp = StampOf(path);
    if (gLocks.path == path && gLocks.stamp == stamp) return gLocks.locked;
    gLocks.path = path;
    gLocks.stamp = stamp;
    gLocks.locked.clear();
    std::istringstream in(ReadStateFile(path));
    std::string line;
    while (std::getline(in, line))
        if (!line.empty()) gLocks.locked.insert(line);
    return gLocks.locked;
}

// Changes the lock list under the machine's lock; false when `change` makes
// no change or the list cannot be written.
template <class Change>
bool ChangeLocks(Change change) {
    StateLock lock(StatePath(kLockListLock));
    if (!lock.held()) return false;
    std::set<std::string> locked = LockedFiles();
    if (!change(locked)) return false;
    std::string text;
    for (const std::string& file : locked) text += file + "\n";
    if (!ReplaceStateFile(StatePath(kLockList), text)) return false;
    gLocks.stamp = StampOf(gLocks.path);  // what this process wrote needs no second read
    gLocks.locked = locked;
    return true;
}

}  // namespace

bool HoldFileOpen(const std::string& windowsPath) {
    std::string hostPath;
    struct stat st;
    if (!HostPathOf(windowsPath, &hostPath) || StatInDrive(hostPath, &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    return ChangeLocks([&](std::set<std::string>& locked) {
        locked.insert(hostPath);
        return true;
    });
}

bool ReleaseHeldFile(const std::string& windowsPath) {
    std::string hostPath;
    if (!HostPathOf(windowsPath, &hostPath)) return false;
    return ChangeLocks([&](std::set<std::string>& locked) { return locked.erase(hostPath) != 0; });
}

bool IsFileHeldOpen(const std::string& windowsPath) {
    std::string hostPath;
    return HostPathOf(windowsPath, &hostPath) && LockedFiles().count(hostPath) != 0;
}

void ReleaseAllHeldFiles() {
    ChangeLocks([](std::set<std::string>& locked) {
        locked.clear();
        return true;
    });
}

bool MayOpen(const std::string& hostPath, int access, int share) {
    // A lock stands for a program that reads and writes and shares nothing.
    if (LockedFiles().count(hostPath)) return false;
    for (const auto& entry : gOpens) {
        const ProcessOpen& open = entry.second;
        if (open.hostPath != hostPath) continue;
        // Access and share bits line up: each open must allow what the other does.
        if ((open.share & access) != access || (share & open.access) != open.access) return false;
    }
    return true;
}

int NoteOpen(const std::string& hostPath, int access, int share) {
    int id = gNextOpenId++;
    gOpens[id] = ProcessOpen{hostPath, access, share};
    return id;
}

void ForgetOpen(int id) { gOpens.erase(id); }

}  // namespace host
