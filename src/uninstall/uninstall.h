// The removal run of the uninstaller.
#pragma once

#include "platform.h"

INT_PTR CALLBACK UninstallDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Removes keys, files, the directory, the registration and the shortcuts;
// true when everything went.
BOOL RunRemoval();
