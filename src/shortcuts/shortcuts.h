// Start-menu, desktop and Startup entries: shell links under the newer
// shell, Program Manager groups under the older one.
#pragma once

#include "platform.h"

enum ShortcutKind { Programs = 0, Desktop = 1, Startup = 2 };

// Makes (remove false) or deletes (remove true) the entries of one kind.
// Making: false when an entry could not be made; each such entry has been
// reported. Removing deletes what it can, silently, and gives true.
BOOL UpdateShortcuts(ShortcutKind kind, BOOL remove);
