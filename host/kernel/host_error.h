// The Windows error that a host error (errno) of a file call stands for.
#pragma once

#include "hostwin/types.h"

namespace host {

// ENOENT, ENOTDIR, EEXIST, ENOTEMPTY, ENOSPC and ENAMETOOLONG have their own
// Windows errors; every other host error reads as ERROR_ACCESS_DENIED.
DWORD ErrnoToError(int hostError);

}  // namespace host
