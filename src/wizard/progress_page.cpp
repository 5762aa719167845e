// The third wizard page: the installation run, then Finish.
#include "app/setup_state.h"
#include "settings/settings.h"
#include "text/text.h"
#include "wizard/install_run.h"
#include "wizard/wizard.h"

namespace {

constexpr UINT_PTR kStartTimer = 1;   // the pause before the first step
constexpr UINT kStartDelayMs = 300;

void OnSetActive(HWND page) {
    SendMessageA(setup.sheetWindow, PSM_SETWIZBUTTONS, 0, 0);
    SetTimer(page, kStartTimer, kStartDelayMs, nullptr);
}

void OnTimer(HWND page) {
    KillTimer(page, kStartTimer);
    PostMessageA(page, WM_COMMAND, IDOK, 0);
}

// Starts the main program and opens the optional document.
void OnWizardFinish(HWND page) {
    ResolveFileEntry(1);
    SetCurrentDirectoryA(setup.installDir);
    // Quoted, so that a destination with blanks does not hand the program
    // the rest of its own path as arguments.
    char command[kPathSize + 2];
    if (setup.entryTarget[0] && CopyText(command, sizeof command, "\"") &&
        AppendText(command, sizeof command, setup.entryTarget) && AppendText(command, sizeof command, "\""))
        WinExec(command, SW_SHOWNORMAL);
    char document[kPathSize];
    if (ReadSettingsPath(SECTION_INSTALL, "Open", document) && document[0])
        ShellExecuteA(page, "open", document, nullptr, nullptr, SW_SHOWNORMAL);
}

INT_PTR OnNotify(HWND page, const NMHDR* notification) {
    switch (notification->code) {
        case PSN_SETACTIVE:
            OnSetActive(page);
            return FALSE;
        case PSN_WIZFINISH:
            OnWizardFinish(page);
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK ProgressPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            setup.activeWindow = page;
            return TRUE;
        case WM_NOTIFY:
            return OnNotify(page, reinterpret_cast<const NMHDR*>(lParam));
        case WM_TIMER:
            OnTimer(page);
            return FALSE;
        case WM_COMMAND:
            if (wParam == IDOK) RunInstallStep();
            return FALSE;
        default:
            return FALSE;
    }
}
