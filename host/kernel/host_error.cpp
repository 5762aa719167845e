#include "kernel/host_error.h"

#include <cerrno>

#include "windows_host.h"

namespace host {

DWORD ErrnoToError(int hostError) {
    switch (hostError) {
        case ENOENT: return ERROR_FILE_NOT_FOUND;
        case ENOTDIR: return ERROR_PATH_NOT_FOUND;
        case EEXIST: return ERROR_ALREADY_EXISTS;
        case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
        case ENOSPC: return ERROR_DISK_FULL;
        case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
        default: return ERROR_ACCESS_DENIED;
    }
}

}  // namespace host
