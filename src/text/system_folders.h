// The system's own folders: the Windows, system and Program Files
// directories and the shell folders of the user and of all users.
#pragma once

#include "platform.h"

// True when path is one of the system's own folders or holds one, compared
// as full paths and, for the levels that exist, in their short (8.3) form
// too. A path that cannot be made a full drive path counts as one.
BOOL IsSystemFolderOrAncestor(const char* path);
