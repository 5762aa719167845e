// The install wizard: a three-page property sheet.
#pragma once

#include "platform.h"

// Fills a page record: zeroed, the page form with header titles (48 bytes),
// the program's instance, the template and the page's procedure.
void InitPropertyPage(PROPSHEETPAGEA_V2* page, int templateId, DLGPROC procedure);

INT_PTR CALLBACK DestinationPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK OptionsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ProgressPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// A tenth of the free bytes on the drive of installDir; 0 when unknown.
unsigned long long MeasureFreeSpace();

// Keeps the wizard on the page: the frame reads the -1 message result.
INT_PTR StayOnPage(HWND page);
