// Registry keys that belong to the system or to every program, which a
// product's removal must never delete, whatever its settings file lists.
#pragma once

#include "platform.h"

// True when subkey (a path below root, levels separated by '\') is one of
// them. Empty levels are ignored, as "A\\B" and "A\B\" name A\B.
BOOL IsSharedKey(HKEY root, const char* subkey);
