// Restart-time work: the delayed moves and deletions MoveFileExA records (NT
// behaviour, where the machine is set up with delayed deletion) and the
// "[Rename]" section of WININIT.INI (Windows 95), carried out by Reboot.
#pragma once

#include <string>
#include <vector>

#include "windows_host.h"

namespace host {

// MoveFileExA with MOVEFILE_DELAY_UNTIL_REBOOT: records the move (or, without
// a new name, the deletion) in PendingFileRenameOperations as NT does; fails
// with ERROR_CALL_NOT_IMPLEMENTED as Windows 95 does.
BOOL ScheduleAtRestart(LPCSTR existingFile, LPCSTR newFile, DWORD flags);

// What a restart does before anything runs: every lock goes, the pending
// operations are carried out and their value removed, then WININIT.INI's
// "[Rename]" lines are carried out in order and the file becomes
// WININIT.BAK. Appends one line per action (code page 932, such as
// "deleted C:\WINDOWS\SYSTEM\SETUP.EXE"); false when any action failed.
bool Reboot(std::vector<std::string>* actions);

}  // namespace host
