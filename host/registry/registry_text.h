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
// False, with a message, for text that is not REGEDIT4.
bool ImportRegistryText(const std::string& text, std::string* error);

}  // namespace host
