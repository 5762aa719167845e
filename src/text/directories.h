// Directory creation with the program's own messages.
#pragma once

#include "platform.h"

// Makes sure the deepest directory of path (ending in '\') exists.
BOOL CreateOneDirectory(char* path);
// Makes sure every level of a drive-letter path (ending in '\') exists.
BOOL CreateDirectoryPath(char* path);
// Shows path followed by a message, as an error owned by setup.activeWindow.
void ShowPathError(const char* path, const char* message);
