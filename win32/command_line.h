// The command line a program is started with, as the C runtime's start-up
// splits it for WinMain.
#pragma once

#include "platform.h"

// The text after the program's own name (quoted or not) and the blanks after it.
LPSTR ArgumentsAfterProgramName(LPSTR line);
