// The store of the machine's state files that several processes share: what
// version of a file was read, a whole-file read, a whole-file replace that
// readers never see half done, a lock held while a file is read, changed and
// written, and the record of a state file that could not be read. Such a file
// is never written over: the calls that need it fail, and winbox stops. A
// state file is the machine's own: a link in its place is never followed.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <string>

namespace host {

// Identifies one version of a file: writers rename a new file over it.
struct FileStamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    long long mtimeNs = 0;
    long long ctimeNs = 0;
    off_t size = 0;

    bool operator==(const FileStamp& o) const {
        return exists == o.exists && device == o.device && inode == o.inode && mtimeNs == o.mtimeNs &&
               ctimeNs == o.ctimeNs && size == o.size;
    }
    bool operator!=(const FileStamp& o) const { return !(*this == o); }
};
FileStamp StampOf(const std::string& path);
FileStamp StampOf(const struct stat& st);

// Reads a whole regular file: 0, or the host error (errno; ENOENT when there
// is none, EISDIR for what is no regular file). *st, when given, is the
// status of the version read.
int ReadWholeFile(const std::string& path, std::string* text, struct stat* st = nullptr);
// Reads everything from the start of an open file: 0 or the host error.
int ReadFromStart(int fd, std::string* text);
// The whole file, or empty text when there is none or it cannot be read.
std::string ReadStateFile(const std::string& path);

// Replaces a file's text: writes a temporary file beside it, flushes it to
// the disk and renames it over `path`, so readers see the old text or the
// new one, never a mix. 0, or the host error (errno).
int ReplaceWholeFile(const std::string& path, const std::string& text, mode_t mode = 0644);
bool ReplaceStateFile(const std::string& path, const std::string& text);

// A lock held for the object's life: shared by readers, exclusive for a
// writer.
class StateLock {
  public:
    enum Mode { kShared, kExclusive };
    // On a lock file of its own, opened (made when missing) and closed here.
    explicit StateLock(const std::string& lockPath, Mode mode = kExclusive);
    // On a state file this process keeps open; it stays open.
    StateLock(int fd, Mode mode);
    ~StateLock();
    StateLock(const StateLock&) = delete;
    StateLock& operator=(const StateLock&) = delete;
    bool held() const { return fd_ >= 0; }

  private:
    bool Lock(Mode mode);

    int fd_;      // the locked file, -1 when the lock is not held
    bool owned_;  // fd_ was opened here, and its closing lets the lock go
};

// Records a state file that could not be read: at a line (counted from 1),
// or as a whole (line 0). The first one recorded is kept.
void NoteDamagedStateFile(const std::string& path, size_t line, const std::string& what);
// Where and why the first damaged state file could not be read
// ("/m/state/registry.reg line 3: cannot read this line: ..."); empty when
// every state file read so far was understood.
const std::string& DamagedStateFile();
// Forgets the record, for a fresh machine in the same process (the tests).
void ForgetDamagedStateFile();

}  // namespace host
