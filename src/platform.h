// The one door to the platform: the real Windows headers in the Windows build,
// the host layer's declarations of the same API everywhere else.
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <ddeml.h>
#include <shellapi.h>
#include <shlobj.h>
#else
#include "windows_host.h"
#endif
