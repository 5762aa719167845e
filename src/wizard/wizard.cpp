#include "wizard/wizard.h"

#include <cstring>

#include "app/modes.h"
#include "app/setup_state.h"
#include "resources/resource_ids.h"

// Sizes of the record forms the program fills: the header with watermark
// and header-bitmap fields, the page with header title and subtitle.
constexpr UINT kSheetHeaderSize = 52;
constexpr UINT kPageSize = 48;

void InitPropertyPage(PROPSHEETPAGEA_V2* page, int templateId, DLGPROC procedure) {
    memset(page, 0, sizeof *page);
    page->dwSize = kPageSize;
    page->dwFlags = 0;
    page->hInstance = setup.instance;
    page->pszTemplate = MAKEINTRESOURCEA(templateId);
    page->pfnDlgProc = procedure;
}

INT_PTR StayOnPage(HWND page) {
    SetWindowLongA(page, DWL_MSGRESULT, -1);
    return TRUE;
}

void RunWizard() {
    // The 48-byte page form: the platform steps through the array by dwSize.
    PROPSHEETPAGEA_V2 pages[3];
    InitPropertyPage(&pages[0], IDD_DESTINATION, DestinationPageProc);
    InitPropertyPage(&pages[1], IDD_OPTIONS, OptionsPageProc);
    InitPropertyPage(&pages[2], IDD_PROGRESS, ProgressPageProc);

    PROPSHEETHEADERA header;
    memset(&header, 0, sizeof header);
    header.dwSize = kSheetHeaderSize;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_WIZARD | PSH_NOAPPLYNOW;
    header.nPages = 3;
    header.nStartPage = 0;
    header.ppsp = reinterpret_cast<LPCPROPSHEETPAGEA>(pages);
    PropertySheetA(&header);
}
