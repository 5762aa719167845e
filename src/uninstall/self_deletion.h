// Deleting the running program at the next restart.
#pragma once

#include "platform.h"

// Arranges for the file at path to be deleted when the system next starts:
// a delayed deletion where the platform has one, else a "NUL=" line in the
// "[Rename]" section of WININIT.INI.
void ScheduleSelfDeletion(const char* path);
