// The host files of the machine's drives, reached so that nothing outside a
// drive's folder is read, written or changed. A host path (as MapToHost
// gives it) is resolved below a descriptor of its drive's root folder with
// openat2's RESOLVE_BENEATH: a symbolic link is followed only while it stays
// within that folder. Where the kernel has no openat2, the path is walked a
// level at a time and no link is followed at all. What would lead out fails
// with an errno for which LeadsOut is true; the file calls report it as
// ERROR_ACCESS_DENIED. Only regular files and folders are opened: a FIFO,
// socket or device is refused (EACCES) without being waited on.
#pragma once

#include <dirent.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <string>

namespace host {

// True for the errno of a path that a link would take out of its drive's
// folder (or that a link blocks where no link is followed).
bool LeadsOut(int error);

// Opens a host path of a drive; -1 with errno set. O_PATH and O_DIRECTORY
// opens reach folders; any other open reaches a regular file only.
int OpenInDrive(const std::string& hostPath, int flags, mode_t mode = 0);
// The status of what a host path names, links followed as OpenInDrive
// follows them.
int StatInDrive(const std::string& hostPath, struct stat* st);
// The status of the name itself, a link not followed.
int LstatInDrive(const std::string& hostPath, struct stat* st);
// What a lookup reports for a name: the status of the file, a link followed
// while it stays in the drive; the link's own status (S_ISLNK) for one that
// leads out, which the calls list as a file and refuse to open; -1 when there
// is none. `folderFd` holds `name` (or is AT_FDCWD with `name` the whole
// path); `hostPath` is the name's whole host path.
int LookAtName(int folderFd, const char* name, const std::string& hostPath, struct stat* st);
// A folder of a drive, opened for reading its names; null with errno set.
DIR* OpenFolderInDrive(const std::string& hostDir);
// The whole of a regular file of a drive; false with errno set.
bool ReadDriveFile(const std::string& hostPath, std::string* text);
// Writes a regular file of a drive (made when missing) to hold `bytes`;
// false with errno set.
bool WriteDriveFile(const std::string& hostPath, const std::string& bytes);
// Sets the permission bits of a file of a drive, links followed as
// OpenInDrive follows them; -1 with errno set.
int ChmodInDrive(const std::string& hostPath, mode_t mode);

// A name itself, not what a link of that name leads to: the folder that
// holds it, reached as OpenInDrive reaches folders, for the calls that act on
// a name (unlinkat, mkdirat, renameat, fstatat without following).
class NameInDrive {
  public:
    explicit NameInDrive(const std::string& hostPath);
    ~NameInDrive();
    NameInDrive(const NameInDrive&) = delete;
    NameInDrive& operator=(const NameInDrive&) = delete;
    // False (errno set) when the folder cannot be reached.
    bool ok() const { return dir_ >= 0; }
    int dir() const { return dir_; }
    const char* name() const { return name_.c_str(); }
    // Opens the name as OpenInDrive opens its whole path.
    int Open(int flags, mode_t mode = 0) const;

  private:
    std::string hostPath_;
    std::string name_;
    int dir_ = -1;
};

// Lets go of the drives' root folders held open: the machine, or where its
// drives are, has changed.
void ForgetDriveRoots();
// Walks every path a level at a time, following no link, as where the kernel
// has no openat2 (for tests of that way).
void UseLevelWalkForLinks(bool on);

}  // namespace host
