// The Windows error that a host error (errno) of a file call stands for, and
// the one way a host call fails: the last error set, and with WINBOX_TRACE=1
// a line on standard error for whoever follows a run on someone's media.
#pragma once

#include <string>

#include "hostwin/kernel.h"

namespace host {

// ENOENT, ENOTDIR, EEXIST, ENOTEMPTY, ENOSPC and ENAMETOOLONG have their own
// Windows errors; every other host error reads as ERROR_ACCESS_DENIED. A call
// that knows more of a missing name (its folder is missing) says so as `notFound`.
DWORD ErrnoToError(int hostError, DWORD notFound = ERROR_FILE_NOT_FOUND);

// Sets the last error; FALSE, the failure of the BOOL calls.
BOOL Fail(DWORD error);

// The call named `call` failed on `path` with the host error `hostError`:
// sets the last error to `error` and traces it.
void SetHostError(const char* call, const std::string& path, int hostError, DWORD error);

// The same for the BOOL calls, the Windows error by default the host error's own.
BOOL FailWithErrno(const char* call, int hostError, const std::string& path);
BOOL FailWithErrno(const char* call, int hostError, const std::string& path, DWORD error);

}  // namespace host
