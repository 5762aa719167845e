// Directory creation with the program's own messages.
#pragma once

#include "platform.h"

// Makes sure the deepest directory of path (ending in '\') exists.
BOOL CreateOneDirectory(char* path);
// Makes sure every level of a drive-letter path (ending in '\') exists.
BOOL CreateDirectoryPath(char* path);
// Makes sure each level of path that ends after byte `from` exists, from the
// shallowest; the first failure (already shown) ends the walk.
BOOL CreateDirectoryLevels(char* path, int from);
