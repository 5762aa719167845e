// Small helpers for the machine's state files that several processes share:
// what version of a file was read, a whole-file replace that readers never
// see half done, and a lock held while a file is read, changed and written.
// A state file is the machine's own: a link in its place is never followed.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <string>

namespace host {

// Identifies one version of a file: writers rename a new file over it.
struct FileStamp {
    bool exists = false;
    ino_t inode = 0;
    long long mtimeNs = 0;
    long long ctimeNs = 0;
    off_t size = 0;

    bool operator==(const FileStamp& o) const {
        return exists == o.exists && inode == o.inode && mtimeNs == o.mtimeNs && ctimeNs == o.ctimeNs &&
               size == o.size;
    }
    bool operator!=(const FileStamp& o) const { return !(*this == o); }
};
FileStamp StampOf(const std::string& path);
FileStamp StampOf(const struct stat& st);

// The whole file, or empty text when there is none.
std::string ReadStateFile(const std::string& path);
// Writes a temporary file and renames it over `path`.
bool ReplaceStateFile(const std::string& path, const std::string& text);

// An exclusive lock on a lock file, held for the object's life.
class StateLock {
  public:
    explicit StateLock(const std::string& lockPath);
    ~StateLock();
    StateLock(const StateLock&) = delete;
    StateLock& operator=(const StateLock&) = delete;
    bool held() const { return fd_ >= 0; }

  private:
    int fd_;
};

}  // namespace host
