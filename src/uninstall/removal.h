// Removal primitives: one file, a directory tree with questions, a registry tree.
#pragma once

#include "platform.h"

// Deletes the file when it is there; false (reported) when it stays.
BOOL DeleteFileIfPresent(const char* path);
// Removes dir (ending in '\') and everything in it, asking about every file
// the product did not install; false when anything stays.
BOOL RemoveDirectoryTree(const char* dir);
// Deletes path under parent with all its subkeys, depth first.
void DeleteRegistryTree(HKEY parent, const char* path);
