// Placeholder until the registry lands.
#include "registry/registry_text.h"
#include "windows_host.h"
LONG RegOpenKeyExA(HKEY, LPCSTR, DWORD, REGSAM, PHKEY) { return ERROR_FILE_NOT_FOUND; }
LONG RegCreateKeyExA(HKEY, LPCSTR, DWORD, LPSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY r, LPDWORD) { *r = (HKEY)1; return ERROR_SUCCESS; }
LONG RegQueryValueExA(HKEY, LPCSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD) { return ERROR_FILE_NOT_FOUND; }
LONG RegSetValueExA(HKEY, LPCSTR, DWORD, DWORD, const BYTE*, DWORD) { return ERROR_SUCCESS; }
LONG RegCloseKey(HKEY) { return ERROR_SUCCESS; }
namespace host {
bool ExportRegistryKey(const std::string&, std::string*) { return false; }
bool ImportRegistryText(const std::string&, std::string* e) { *e = "not built"; return false; }
}
