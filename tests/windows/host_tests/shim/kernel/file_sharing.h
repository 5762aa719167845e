// Files held open by another program, on the real platform: a handle opened
// without sharing. Windows checks sharing per handle, not per process, so a
// handle of the test's own is what another program's would be.
#pragma once

#include <string>

namespace host {

// False when there is no such file (HoldFileOpen) or it is not held (ReleaseHeldFile).
bool HoldFileOpen(const std::string& windowsPath);
bool ReleaseHeldFile(const std::string& windowsPath);
// Closes every handle HoldFileOpen left open.
void ReleaseAllHeldFiles();

}  // namespace host
