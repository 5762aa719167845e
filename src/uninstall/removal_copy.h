// The copy of the program that runs the removal from the system directory,
// where the installed program file is free to be deleted.
#pragma once

#include "platform.h"

// Copies the running program into the system directory and puts the copy's
// path into copyPath (kPathSize bytes). A file there of the same name that is
// not this program is never written over: the copy takes a free name. False
// when no copy could be written.
BOOL MakeRemovalCopy(char* copyPath);
// True when path is a file directly in the system directory: only there does
// a removal run from a copy that the hand-off made.
BOOL IsInSystemDirectory(const char* path);
