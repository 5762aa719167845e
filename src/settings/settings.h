// The settings file beside the program: its fixed keys, the default
// destination and the numbered file and Start-menu entries.
#pragma once

#include "platform.h"

#define SECTION_INSTALL "Install"
#define SECTION_GROUP "Group"
#define SECTION_REG "Reg"
#define UNINSTALL_KEY "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"

// Reads title, folder and the resident flag, works out the default
// destination and counts the entries. Shows its message and fails when the
// file is missing or damaged.
BOOL LoadSettings();
// Sets the current entry to file entry n (-1 the program, 0 the settings
// file). False when the entry's source or target does not fit in a path;
// the target is then empty, so nothing can act on a cut path.
BOOL ResolveFileEntry(int n);
// Sets the current entry to group entry n: caption in entrySource, target in
// entryTarget. An entry without a comma leaves entrySource empty. False when
// the target does not fit; it is then empty.
BOOL ResolveGroupEntry(int n);
// Shows the current entry followed by message as an error: its source or
// caption (entrySource), or, when its value is longer than a path, the whole
// value as the settings file has it.
void ShowEntryError(const char* message);
// Reads a value of the settings file into a path-sized buffer. False when the
// value is longer than a path holds (the buffer is then empty).
BOOL ReadSettingsPath(const char* section, const char* key, char* value);
// The product's "UninstallString" from its uninstall registration, into a
// buffer of kPathSize + 1 bytes. False (and empty) when there is none.
BOOL ReadUninstallString(char* value);
