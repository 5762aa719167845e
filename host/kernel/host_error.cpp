#include "kernel/host_error.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "windows_host.h"

namespace host {

namespace {

bool Tracing() {
    const char* trace = getenv("WINBOX_TRACE");
    return trace && strcmp(trace, "1") == 0;
}

}  // namespace

DWORD ErrnoToError(int hostError, DWORD notFound) {
    switch (hostError) {
        case ENOENT: return notFound;
        case ENOTDIR: return ERROR_PATH_NOT_FOUND;
        case EEXIST: return ERROR_ALREADY_EXISTS;
        case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
        case ENOSPC: return ERROR_DISK_FULL;
        case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
        default: return ERROR_ACCESS_DENIED;
    }
}

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

void SetHostError(const char* call, const std::string& path, int hostError, DWORD error) {
    if (Tracing())
        fprintf(stderr, "winbox trace: %s %s: %s -> Windows error %lu\n", call, path.c_str(), strerror(hostError),
                (unsigned long)error);
    SetLastError(error);
}

BOOL FailWithErrno(const char* call, int hostError, const std::string& path) {
    return FailWithErrno(call, hostError, path, ErrnoToError(hostError));
}

BOOL FailWithErrno(const char* call, int hostError, const std::string& path, DWORD error) {
    SetHostError(call, path, hostError, error);
    return FALSE;
}

}  // namespace host
