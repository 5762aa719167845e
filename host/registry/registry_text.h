// The registry as REGEDIT4 text, for winbox and tests.
#pragma once

#include <string>

namespace host {

// REGEDIT4 text of a key and its whole subtree ("HKEY_LOCAL_MACHINE\SOFTWARE\X",
// code page 932), with the "REGEDIT4" header. An empty key path exports
// every root. False when the key does not exist.
bool ExportRegistryKey(const std::string& keyPath, std::string* text);
// Imports REGEDIT4 text as regedit would: keys created, values set,
// "[-KEY]" deletes a key with its subtree, "name"=- deletes a value.
// False, with a message, for text that is not REGEDIT4, or naming the first
// line that could not be applied (the other lines are applied all the same).
bool ImportRegistryText(const std::string& text, std::string* error);

// Makes an existing key one that RegDeleteKeyA (and "[-KEY]") cannot delete,
// as a key held by the system or another user would be, or lets it go
// again. Kept with the machine. False when the key does not exist.
bool SetKeyUndeletable(const std::string& keyPath, bool undeletable);

}  // namespace host
