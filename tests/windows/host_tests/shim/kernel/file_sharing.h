// Files held open by another program, on the real platform: a handle opened
// without sharing. Windows checks sharing per handle, not per process, so a
// handle of the test's own is what another program's would be.
#pragma once

#include <string>

namespace host {

// False when there is no such file (LockFile) or no such lock (UnlockFile).
bool LockFile(const std::string& windowsPath);
bool UnlockFile(const std::string& windowsPath);
// Closes every handle LockFile left open.
void UnlockAllFiles();

}  // namespace host
