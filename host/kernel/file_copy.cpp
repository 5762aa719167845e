// Copying, deleting and renaming files, with the checks Windows makes itself:
// attributes, files held open (file_sharing.h) and the drives' free space
// (disk_space.h), all the machine's own state rather than the host's. Only
// regular files are copied, read and written through the drive_files.h
// calls: a link that leads out of its drive is neither a source nor a target.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "core/codepage.h"
#include "core/drive_files.h"
#include "core/machine.h"
#include "kernel/disk_space.h"
#include "kernel/file_sharing.h"
#include "kernel/host_error.h"
#include "kernel/restart.h"
#include "kernel/short_names.h"
#include "kernel/state_file.h"
#include "windows_host.h"

using host::Fail;

namespace {

constexpr int kShareAll = host::kShareRead | host::kShareWrite | host::kShareDelete;

// A Windows path made full and mapped to the host; false when it names no drive.
bool Resolve(LPCSTR path, std::string* full, std::string* hostPath) {
    return path && host::FullWindowsPath(path, full) && host::MapToHost(*full, hostPath);
}

bool ParentIsDirectory(const std::string& hostPath) {
    size_t slash = hostPath.rfind('/');
    struct stat st;
    return slash != std::string::npos && host::StatInDrive(hostPath.substr(0, slash), &st) == 0 &&
           S_ISDIR(st.st_mode);
}

// The error for a path that a lookup did not find as a file.
DWORD LookupError(host::PathLookup lookup) {
    switch (lookup) {
        case host::PathLookup::kNoFolder: return ERROR_PATH_NOT_FOUND;
        case host::PathLookup::kDenied: return ERROR_ACCESS_DENIED;
        default: return ERROR_FILE_NOT_FOUND;
    }
}

// A call that failed as its lookup of `path` did: a name or folder that is
// not there, or a link that leads out of its drive.
BOOL FailLookup(const char* call, host::PathLookup lookup, const std::string& path) {
    return host::FailWithErrno(call, lookup == host::PathLookup::kDenied ? EACCES : ENOENT, path, LookupError(lookup));
}

// The error for a file that is not there: its directory may be missing too.
DWORD MissingError(const std::string& hostPath) {
    return ParentIsDirectory(hostPath) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

bool EndsInBackslash(const std::string& full) {
    return full.size() > 3 && host::LastLevelStart(full, full.size()) == full.size();
}

bool IsReadOnly(const struct stat& st) { return !(st.st_mode & 0222); }
bool IsHidden(const struct stat& st) { return (st.st_mode & S_ISVTX) != 0; }

// Copies `size` bytes in the kernel where it can, else through a large buffer.
bool CopyData(int in, int out, unsigned long long size) {
    unsigned long long done = 0;
    bool kernelCopy = true;
    while (done < size && kernelCopy) {
        ssize_t copied = copy_file_range(in, nullptr, out, nullptr, size - done, 0);
        if (copied < 0 && errno == EINTR) continue;
        if (copied < 0 && done == 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP))
            kernelCopy = false;
        else if (copied <= 0)
            return copied == 0;  // the source became shorter
        else
            done += (unsigned long long)copied;
    }
    static thread_local std::vector<char> buffer(1 << 20);
    while (done < size) {
        ssize_t got = read(in, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return got == 0;
        for (ssize_t written = 0; written < got;) {
            ssize_t wrote = write(out, buffer.data() + written, (size_t)(got - written));
            if (wrote < 0 && errno == EINTR) continue;
            if (wrote <= 0) return false;
            written += wrote;
        }
        done += (unsigned long long)got;
    }
    return true;
}

// The mode of a file this process makes with 0644.
mode_t CreatedMode() {
    static const mode_t mode = [] {
        mode_t mask = umask(0);
        umask(mask);
        return 0644 & ~mask;
    }();
    return mode;
}

// Copies the open source, whose status is `source`, into the open target,
// whose mode is `targetMode` (as made, for a new file); false with errno set.
bool WriteCopy(int in, const struct stat& source, int out, mode_t targetMode) {
    // The copy carries the source's attributes and last write time, as on Windows.
    struct timespec times[2] = {{0, UTIME_NOW}, source.st_mtim};
    bool ok = CopyData(in, out, (unsigned long long)source.st_size) &&
              ((targetMode & 07777) == (source.st_mode & 07777) || fchmod(out, source.st_mode & 07777) == 0) &&
              futimens(out, times) == 0;
    int error = errno;
    ok = close(out) == 0 && ok;
    errno = error;
    return ok;
}

}  // namespace

BOOL CopyFileA(LPCSTR existingFile, LPCSTR newFile, BOOL failIfExists) {
    std::string sourceFull, sourceHost, targetFull, targetHost;
    struct stat source, target;
    if (!existingFile || !newFile) return Fail(ERROR_INVALID_PARAMETER);
    if (!host::FullWindowsPath(existingFile, &sourceFull)) return Fail(ERROR_PATH_NOT_FOUND);
    host::PathLookup lookup = host::LookUpPath(sourceFull, &sourceHost, &source);
    if (lookup != host::PathLookup::kFound) return FailLookup(__func__, lookup, sourceFull);
    // A folder, a link that leads out of its drive, a FIFO, socket or device.
    if (!S_ISREG(source.st_mode)) return Fail(ERROR_ACCESS_DENIED);
    if (!host::MayOpen(sourceHost, host::kAccessRead, host::kShareRead)) return Fail(ERROR_SHARING_VIOLATION);

    if (!host::FullWindowsPath(newFile, &targetFull)) return Fail(ERROR_PATH_NOT_FOUND);
    if (EndsInBackslash(targetFull)) return Fail(ERROR_INVALID_NAME);
    lookup = host::LookUpPath(targetFull, &targetHost, &target);
    if (lookup == host::PathLookup::kNoFolder || lookup == host::PathLookup::kDenied)
        return FailLookup(__func__, lookup, targetFull);
    bool exists = lookup == host::PathLookup::kFound;
    if (exists) {
        if (failIfExists) return Fail(ERROR_FILE_EXISTS);
        if (!S_ISREG(target.st_mode) || IsReadOnly(target) || IsHidden(target)) return Fail(ERROR_ACCESS_DENIED);
        // The source is open for reading, sharing reading only: a copy onto
        // itself meets that.
        if (target.st_dev == source.st_dev && target.st_ino == source.st_ino) return Fail(ERROR_SHARING_VIOLATION);
        if (!host::MayOpen(targetHost, host::kAccessWrite, 0)) return Fail(ERROR_SHARING_VIOLATION);
    }
    // The target's folder, taken right after its lookup.
    host::NameInDrive targetName(targetHost);
    if (!targetName.ok())
        return host::FailWithErrno(__func__, errno, targetHost,
                                   host::LeadsOut(errno) ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND);

    // The source is opened before the target is touched: a source that
    // cannot be read leaves the target as it was.
    int in = host::OpenInDrive(sourceHost, O_RDONLY);
    if (in < 0 || fstat(in, &source) != 0) {
        int error = errno;
        if (in >= 0) close(in);
        return host::FailWithErrno(__func__, error, sourceHost, ERROR_ACCESS_DENIED);
    }
    // The space is taken before a byte is written: a copy that does not fit
    // leaves the drive as it was.
    char drive = targetFull[0];
    unsigned long long oldSize = exists ? (unsigned long long)target.st_size : 0;
    if (!host::ChargeFileSize(drive, oldSize, (unsigned long long)source.st_size)) {
        close(in);
        return Fail(ERROR_DISK_FULL);
    }
    int out = targetName.Open(O_WRONLY | O_CREAT | O_TRUNC, 0644);
    bool written = out >= 0 && WriteCopy(in, source, out, exists ? target.st_mode : CreatedMode());
    int error = errno;
    close(in);
    if (!written) {
        if (out >= 0) unlinkat(targetName.dir(), targetName.name(), 0);  // never a part of a file left as a copy
        host::ChargeFileSize(drive, (unsigned long long)source.st_size, out >= 0 ? 0 : oldSize);
        return host::FailWithErrno(__func__, error, targetHost);
    }
    if (!exists) host::NoteHostNameMade(targetHost);
    return TRUE;
}

BOOL DeleteFileA(LPCSTR fileName) {
    std::string full, hostPath;
    struct stat st;
    if (!fileName || !host::FullWindowsPath(fileName, &full)) return Fail(ERROR_PATH_NOT_FOUND);
    if (EndsInBackslash(full)) return Fail(ERROR_INVALID_NAME);
    host::PathLookup lookup = host::LookUpPath(full, &hostPath, &st);
    if (lookup != host::PathLookup::kFound) return FailLookup(__func__, lookup, full);
    if (S_ISDIR(st.st_mode) || IsReadOnly(st)) return Fail(ERROR_ACCESS_DENIED);
    // A file open without FILE_SHARE_DELETE cannot be deleted.
    if (!host::MayOpen(hostPath, host::kAccessDelete, kShareAll)) return Fail(ERROR_SHARING_VIOLATION);
    // The name goes, whatever a link of that name leads to.
    host::NameInDrive name(hostPath);
    if (!name.ok() || unlinkat(name.dir(), name.name(), 0) != 0) return host::FailWithErrno(__func__, errno, hostPath);
    if (S_ISREG(st.st_mode) && st.st_nlink <= 1) host::ChargeFileSize(full[0], (unsigned long long)st.st_size, 0);
    return TRUE;
}

// Renames within a drive, or copies and deletes across drives with
// MOVEFILE_COPY_ALLOWED (files only); delayed moves are restart.cpp's.
BOOL MoveFileExA(LPCSTR existingFile, LPCSTR newFile, DWORD flags) {
    if (flags & MOVEFILE_DELAY_UNTIL_REBOOT) return host::ScheduleAtRestart(existingFile, newFile, flags);
    std::string sourceFull, sourceHost, targetFull, targetHost;
    struct stat source, target;
    if (!existingFile || !newFile) return Fail(ERROR_INVALID_PARAMETER);
    if (!Resolve(existingFile, &sourceFull, &sourceHost)) return Fail(ERROR_PATH_NOT_FOUND);
    if (host::LstatInDrive(sourceHost, &source) != 0) {
        int error = errno;
        return host::FailWithErrno(__func__, error, sourceHost,
                                   host::LeadsOut(error) ? ERROR_ACCESS_DENIED : MissingError(sourceHost));
    }
    if (!host::MayOpen(sourceHost, host::kAccessDelete, kShareAll)) return Fail(ERROR_SHARING_VIOLATION);
    if (!Resolve(newFile, &targetFull, &targetHost)) return Fail(ERROR_PATH_NOT_FOUND);
    if (EndsInBackslash(targetFull)) return Fail(ERROR_INVALID_NAME);

    bool exists = host::LstatInDrive(targetHost, &target) == 0;
    if (!exists && host::LeadsOut(errno)) return host::FailWithErrno(__func__, errno, targetHost, ERROR_ACCESS_DENIED);
    if (exists && target.st_dev == source.st_dev && target.st_ino == source.st_ino) {
        // The same file under another case of its name: the new name is taken as written.
        std::string name;
        if (!host::Cp932ToUtf8(host::SplitPath(targetFull).back(), &name)) return Fail(ERROR_INVALID_NAME);
        targetHost = targetHost.substr(0, targetHost.rfind('/') + 1) + name;
        exists = false;
    } else if (exists) {
        if (!(flags & MOVEFILE_REPLACE_EXISTING)) return Fail(ERROR_ALREADY_EXISTS);
        if (S_ISDIR(target.st_mode) || S_ISDIR(source.st_mode) || IsReadOnly(target)) return Fail(ERROR_ACCESS_DENIED);
        if (!host::MayOpen(targetHost, host::kAccessDelete, kShareAll)) return Fail(ERROR_SHARING_VIOLATION);
    } else if (!ParentIsDirectory(targetHost)) {
        return Fail(ERROR_PATH_NOT_FOUND);
    }

    if (sourceFull[0] != targetFull[0]) {
        if (!(flags & MOVEFILE_COPY_ALLOWED)) return Fail(ERROR_NOT_SAME_DEVICE);
        if (S_ISDIR(source.st_mode)) return Fail(ERROR_ACCESS_DENIED);
        if (!CopyFileA(sourceFull.c_str(), targetFull.c_str(), FALSE)) return FALSE;
        if (IsReadOnly(source)) host::ChmodInDrive(sourceHost, (source.st_mode | 0200) & 07777);
        return DeleteFileA(sourceFull.c_str());
    }
    // Names are renamed, never what a link of either name leads to.
    host::NameInDrive from(sourceHost), to(targetHost);
    if (!from.ok() || !to.ok() || renameat(from.dir(), from.name(), to.dir(), to.name()) != 0)
        return host::FailWithErrno(__func__, errno, sourceHost, ERROR_ACCESS_DENIED);
    host::NoteHostNameMade(targetHost);
    if (exists && target.st_nlink <= 1) host::ChargeFileSize(targetFull[0], (unsigned long long)target.st_size, 0);
    return TRUE;
}
