// Placeholder until the profile calls land.
#include "windows_host.h"
#include <cstring>
DWORD GetPrivateProfileStringA(LPCSTR, LPCSTR, LPCSTR d, LPSTR b, DWORD n, LPCSTR) { if (n) { strncpy(b, d ? d : "", n - 1); b[n-1] = 0; } return (DWORD)strlen(b); }
