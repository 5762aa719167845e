// The second wizard page: Start-menu and desktop entries.
#include "app/setup_state.h"
#include "resources/resource_ids.h"
#include "wizard/wizard.h"

namespace {

BOOL OnInitDialog(HWND page) {
    CheckDlgButton(page, IDC_START_MENU, BST_CHECKED);
    // The older shell has no desktop to put a shortcut on.
    if (!setup.isNewShell) EnableWindow(GetDlgItem(page, IDC_DESKTOP), FALSE);
    return TRUE;
}

INT_PTR OnNotify(HWND page, const NMHDR* notification) {
    switch (notification->code) {
        case PSN_SETACTIVE:
            SendMessageA(setup.sheetWindow, PSM_SETWIZBUTTONS, 0, PSWIZB_NEXT);
            return FALSE;
        case PSN_WIZNEXT:
            setup.wantStartMenu = IsDlgButtonChecked(page, IDC_START_MENU) == BST_CHECKED;
            setup.wantDesktop = IsDlgButtonChecked(page, IDC_DESKTOP) == BST_CHECKED;
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK OptionsPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog(page);
        case WM_NOTIFY:
            return OnNotify(page, reinterpret_cast<const NMHDR*>(lParam));
        default:
            return FALSE;
    }
}
