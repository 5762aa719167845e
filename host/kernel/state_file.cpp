#include "kernel/state_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace host {

namespace {

std::string gDamage;  // the first damaged state file found by this process

// Writes all of `text` to fd; 0 or the host error.
int WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t wrote = write(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return wrote < 0 ? errno : EIO;
        done += (size_t)wrote;
    }
    return 0;
}

}  // namespace

FileStamp StampOf(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? StampOf(st) : FileStamp();
}

FileStamp StampOf(const struct stat& st) {
    FileStamp stamp;
    stamp.exists = true;
    stamp.device = st.st_dev;
    stamp.inode = st.st_ino;
    stamp.mtimeNs = st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
    stamp.ctimeNs = st.st_ctim.tv_sec * 1000000000LL + st.st_ctim.tv_nsec;
    stamp.size = st.st_size;
    return stamp;
}

int ReadWholeFile(const std::string& path, std::string* text, struct stat* st) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return errno;
    struct stat own;
    if (!st) st = &own;
    int error = fstat(fd, st) != 0 ? errno : !S_ISREG(st->st_mode) ? EISDIR : 0;
    if (!error) {
        text->reserve((size_t)st->st_size);
        error = ReadFromStart(fd, text);
    }
    close(fd);
    return error;
}

int ReadFromStart(int fd, std::string* text) {
    text->clear();
    char chunk[65536];
    for (;;) {
        ssize_t got = pread(fd, chunk, sizeof chunk, (off_t)text->size());
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return got < 0 ? errno : 0;
        text->append(chunk, (size_t)got);
    }
}

std::string ReadStateFile(const std::string& path) {
    std::string text;
    if (ReadWholeFile(path, &text) != 0) text.clear();
    return text;
}

int ReplaceWholeFile(const std::string& path, const std::string& text, mode_t mode) {
    std::string pattern = path + "~XXXXXX";
    std::vector<char> temporary(pattern.begin(), pattern.end());
    temporary.push_back('\0');
    int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return errno;
    int error = WriteAll(fd, text);
    if (!error && fchmod(fd, mode) != 0) error = errno;
    if (!error && fsync(fd) != 0) error = errno;
    if (close(fd) != 0 && !error) error = errno;
    if (!error && rename(temporary.data(), path.c_str()) != 0) error = errno;
    if (error) unlink(temporary.data());
    return error;
}

bool ReplaceStateFile(const std::string& path, const std::string& text) { return ReplaceWholeFile(path, text) == 0; }

StateLock::StateLock(const std::string& lockPath, Mode mode) : owned_(true) {
    fd_ = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd_ >= 0 && !Lock(mode)) {
        close(fd_);
        fd_ = -1;
    }
}

StateLock::StateLock(int fd, Mode mode) : fd_(fd), owned_(false) {
    if (fd_ >= 0 && !Lock(mode)) fd_ = -1;
}

StateLock::~StateLock() {
    if (fd_ < 0) return;
    if (owned_) close(fd_);  // closing lets the lock go
    else flock(fd_, LOCK_UN);
}

bool StateLock::Lock(Mode mode) {
    while (flock(fd_, mode == kShared ? LOCK_SH : LOCK_EX) != 0)
        if (errno != EINTR) return false;
    return true;
}

void NoteDamagedStateFile(const std::string& path, size_t line, const std::string& what) {
    if (!gDamage.empty()) return;
    gDamage = line > 0 ? path + " line " + std::to_string(line) + ": cannot read this line: " + what
                       : path + ": cannot read the file: " + what;
}

const std::string& DamagedStateFile() { return gDamage; }

void ForgetDamagedStateFile() { gDamage.clear(); }

}  // namespace host
