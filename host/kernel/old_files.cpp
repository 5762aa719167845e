// The old file calls: OpenFile and the _l functions over host descriptors,
// with the checks of the newer calls (attributes, sharing, free space).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <map>
#include <string>

#include "core/codepage.h"
#include "core/drive_files.h"
#include "core/machine.h"
#include "kernel/disk_space.h"
#include "kernel/file_sharing.h"
#include "kernel/host_error.h"
#include "process/run_scope.h"
#include "windows_host.h"

namespace {

// An open old-style file: the handle is the host descriptor.
struct OldFile {
    std::string hostPath;
    char drive;   // whose free space a write takes
    int access;   // host::FileAccess bits
    int openId;   // its entry among the process's opens
    bool ofRun;   // opened by the program's run
};
std::map<HFILE, OldFile> gFiles;

// The files the program left open when its run ended.
void CloseRunFiles() {
    for (auto it = gFiles.begin(); it != gFiles.end();) {
        if (!it->second.ofRun) {
            ++it;
            continue;
        }
        host::ForgetOpen(it->second.openId);
        close(it->first);
        it = gFiles.erase(it);
    }
}
const host::RunRelease kCloseRunFiles(CloseRunFiles);

const OldFile* Find(HFILE file) {
    auto found = gFiles.find(file);
    if (found != gFiles.end()) return &found->second;
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
}

// What an OF_SHARE_ mode lets others do.
int ShareOf(UINT style) {
    switch (style & 0x70) {
        case OF_SHARE_EXCLUSIVE: return 0;
        case OF_SHARE_DENY_WRITE: return host::kShareRead;
        case OF_SHARE_DENY_READ: return host::kShareWrite;
        default: return host::kShareRead | host::kShareWrite;  // compatibility mode, deny none
    }
}

int AccessOf(UINT style) {
    switch (style & 3) {
        case OF_WRITE: return host::kAccessWrite;
        case OF_READWRITE: return host::kAccessRead | host::kAccessWrite;
        default: return host::kAccessRead;
    }
}

int OpenFlagsOf(int access) {
    if (access == (host::kAccessRead | host::kAccessWrite)) return O_RDWR;
    return access == host::kAccessWrite ? O_WRONLY : O_RDONLY;
}

}  // namespace

// Opens the path as given: Windows also searches the Windows, system and
// PATH directories for a bare name. OF_PARSE, OF_DELETE and the prompts are
// not served.
HFILE OpenFile(LPCSTR fileName, LPOFSTRUCT openBuffer, UINT style) {
    if (openBuffer) {
        memset(openBuffer, 0, sizeof *openBuffer);
        openBuffer->cBytes = (BYTE)sizeof *openBuffer;
        openBuffer->fFixedDisk = 1;
    }
    auto fail = [&](DWORD error) {
        SetLastError(error);
        if (openBuffer) openBuffer->nErrCode = (WORD)error;
        return HFILE_ERROR;
    };
    auto failWithErrno = [&](int hostError, const std::string& path, DWORD error) {
        host::SetHostError("OpenFile", path, hostError, error);
        if (openBuffer) openBuffer->nErrCode = (WORD)error;
        return HFILE_ERROR;
    };
    std::string full, hostPath;
    if (!fileName || !host::FullWindowsPath(fileName, &full)) return fail(ERROR_PATH_NOT_FOUND);
    if (openBuffer) {
        // The buffer holds 127 bytes and a null: a longer path is cut on a whole character.
        size_t length = 0;
        while (length < full.size()) {
            size_t step = host::IsLeadByte932((unsigned char)full[length]) && length + 1 < full.size() ? 2 : 1;
            if (length + step > OFS_MAXPATHNAME - 1) break;
            length += step;
        }
        memcpy(openBuffer->szPathName, full.data(), length);
    }
    if (!host::MapToHost(full, &hostPath)) return fail(ERROR_PATH_NOT_FOUND);

    int access = (style & OF_CREATE) ? (AccessOf(style) | host::kAccessWrite) : AccessOf(style);
    int share = ShareOf(style);
    struct stat st;
    bool exists = host::StatInDrive(hostPath, &st) == 0;
    // A link that leads out of its drive, a folder, FIFO, socket or device.
    if ((!exists && host::LeadsOut(errno)) || (exists && !S_ISREG(st.st_mode))) return fail(ERROR_ACCESS_DENIED);
    if (!exists && !(style & OF_CREATE)) {
        size_t slash = hostPath.rfind('/');
        struct stat parent;
        bool parentExists =
            host::StatInDrive(hostPath.substr(0, slash), &parent) == 0 && S_ISDIR(parent.st_mode);
        return fail(parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
    }
    if (exists && (access & host::kAccessWrite) && !(st.st_mode & 0222)) return fail(ERROR_ACCESS_DENIED);
    if (exists && !host::MayOpen(hostPath, access, share)) return fail(ERROR_SHARING_VIOLATION);

    int flags = O_CLOEXEC | ((style & OF_CREATE) ? (O_RDWR | O_CREAT | O_TRUNC) : OpenFlagsOf(access));
    int fd = host::OpenInDrive(hostPath, flags, 0644);
    // The file was there or is made: a name missing now is a folder missing.
    if (fd < 0) return failWithErrno(errno, hostPath, host::ErrnoToError(errno, ERROR_PATH_NOT_FOUND));
    if ((style & OF_CREATE) && exists) host::ChargeFileSize(full[0], (unsigned long long)st.st_size, 0);
    if (style & OF_EXIST) {  // opened to see that it can be, and closed again
        close(fd);
        return (HFILE)fd;
    }
    // A file made by OF_CREATE is open for what the style asks (read only for OF_READ).
    access = AccessOf(style);
    gFiles[(HFILE)fd] = OldFile{hostPath, full[0], access, host::NoteOpen(hostPath, access, share), host::InRun()};
    return (HFILE)fd;
}

LONG _llseek(HFILE file, LONG offset, int origin) {
    const OldFile* entry = Find(file);
    if (!entry) return HFILE_ERROR;
    int whence = origin == FILE_BEGIN ? SEEK_SET : origin == FILE_CURRENT ? SEEK_CUR : origin == FILE_END ? SEEK_END : -1;
    off_t position = whence < 0 ? -1 : lseek(file, offset, whence);
    if (position < 0 || position > LONG_MAX) {
        SetLastError(position < 0 ? ERROR_INVALID_PARAMETER : ERROR_NOT_SUPPORTED);
        return HFILE_ERROR;
    }
    return (LONG)position;
}

UINT _lread(HFILE file, LPVOID buffer, UINT bytes) {
    const OldFile* entry = Find(file);
    if (!entry) return (UINT)HFILE_ERROR;
    if (!(entry->access & host::kAccessRead) || (!buffer && bytes)) {
        SetLastError(!buffer ? ERROR_INVALID_PARAMETER : ERROR_ACCESS_DENIED);
        return (UINT)HFILE_ERROR;
    }
    UINT done = 0;
    while (done < bytes) {
        ssize_t got = read(file, (char*)buffer + done, bytes - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            host::SetHostError(__func__, entry->hostPath, errno, ERROR_ACCESS_DENIED);
            return (UINT)HFILE_ERROR;
        }
        if (got == 0) break;
        done += (UINT)got;
    }
    return done;
}

// A count of 0 sets the file's end at the current position, as documented.
UINT _lwrite(HFILE file, LPCSTR buffer, UINT bytes) {
    const OldFile* entry = Find(file);
    if (!entry) return (UINT)HFILE_ERROR;
    if (!(entry->access & host::kAccessWrite) || (!buffer && bytes)) {
        SetLastError(!buffer ? ERROR_INVALID_PARAMETER : ERROR_ACCESS_DENIED);
        return (UINT)HFILE_ERROR;
    }
    struct stat st;
    off_t position = lseek(file, 0, SEEK_CUR);
    if (position < 0 || fstat(file, &st) != 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return (UINT)HFILE_ERROR;
    }
    unsigned long long oldSize = (unsigned long long)st.st_size;
    unsigned long long newSize = (unsigned long long)position + bytes;
    if (bytes && newSize < oldSize) newSize = oldSize;
    if (!host::ChargeFileSize(entry->drive, oldSize, newSize)) {
        SetLastError(ERROR_DISK_FULL);
        return (UINT)HFILE_ERROR;
    }
    if (bytes == 0) {
        if (ftruncate(file, position) == 0) return 0;
    } else {
        UINT done = 0;
        while (done < bytes) {
            ssize_t wrote = write(file, buffer + done, bytes - done);
            if (wrote < 0 && errno == EINTR) continue;
            if (wrote <= 0) break;
            done += (UINT)wrote;
        }
        if (done == bytes) return bytes;
    }
    int error = errno;
    if (fstat(file, &st) == 0) host::ChargeFileSize(entry->drive, newSize, (unsigned long long)st.st_size);
    host::SetHostError(__func__, entry->hostPath, error, host::ErrnoToError(error));
    return (UINT)HFILE_ERROR;
}

HFILE _lclose(HFILE file) {
    auto found = gFiles.find(file);
    if (found == gFiles.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return HFILE_ERROR;
    }
    host::ForgetOpen(found->second.openId);
    gFiles.erase(found);
    return close(file) == 0 ? 0 : HFILE_ERROR;
}
