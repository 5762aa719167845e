// Which program file may uninstall the product: the one its uninstall
// registration starts.
#pragma once

#include "platform.h"

// True when the product's "UninstallString" starts the program file at path.
BOOL IsRegisteredProgram(const char* path);
// True when a and b name the same file: equal full paths, or equal short
// forms, without regard to case.
BOOL IsSamePath(const char* a, const char* b);
