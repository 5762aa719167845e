#include "wizard/install_run.h"

#include "app/error_boxes.h"
#include "app/setup_state.h"
#include "resources/messages.h"
#include "resources/resource_ids.h"
#include "settings/settings.h"
#include "shortcuts/shortcuts.h"
#include "text/directories.h"
#include "text/text.h"

namespace {

// False when an entry could not be made (it has been reported).
BOOL MakeShortcuts() {
    if (setup.isResident) return UpdateShortcuts(Startup, FALSE);
    BOOL ok = TRUE;
    if (setup.wantStartMenu) ok = UpdateShortcuts(Programs, FALSE);
    if (setup.wantDesktop) ok = UpdateShortcuts(Desktop, FALSE) && ok;
    return ok;
}

void ShowFinalState() {
    HWND page = setup.activeWindow;
    ShowWindow(GetDlgItem(page, IDC_PROGRESS), SW_HIDE);
    SetDlgItemTextA(page, IDC_STATUS, setup.stepFailed ? MSG_INSTALL_DONE_WITH_ERRORS : MSG_INSTALL_DONE);
    if (setup.isNewShell) ShowWindow(GetDlgItem(page, IDC_REMOVAL_HINT), SW_SHOW);
    PostMessageA(setup.sheetWindow, PSM_SETWIZBUTTONS, 0, PSWIZB_FINISH);
}

}  // namespace

BOOL CopyEntryFile() {
    if (!setup.entryTarget[0]) {
        // The entry's destination is outside installDir, or does not fit in a path.
        ShowEntryError(setup.entryLeavesInstallDir ? MSG_OUTSIDE_INSTALL_DIR : MSG_PATH_TOO_LONG);
        return FALSE;
    }
    // The levels below installDir, which is not walked again.
    if (!CreateDirectoryLevels(setup.entryTarget, setup.entryTargetTail)) return FALSE;
    if (CopyFileA(setup.entrySource, setup.entryTarget, FALSE)) {
        SetFileAttributesA(setup.entryTarget, FILE_ATTRIBUTE_NORMAL);
        return TRUE;
    }
    switch (GetLastError()) {
        case ERROR_SHARING_VIOLATION:
            ShowPathError(setup.entryTarget, MSG_IN_USE);
            return FALSE;
        case ERROR_FILE_EXISTS:
            return TRUE;
        default:
            ShowPathError(setup.entrySource, MSG_COPY_FAILED);
            return FALSE;
    }
}

BOOL RegisterUninstall() {
    char command[kPathSize];
    // A quote, the installed program's path, a quote and " /r"; a destination
    // too long for that is reported, never registered cut.
    BOOL fits = CopyText(command, sizeof command, "\"") && AppendText(command, sizeof command, setup.installDir) &&
                AppendText(command, sizeof command, setup.programFileName) &&
                AppendText(command, sizeof command, "\" /r");
    char keyPath[kPathSize];
    fits = fits && CopyText(keyPath, sizeof keyPath, UNINSTALL_KEY) && AppendText(keyPath, sizeof keyPath, setup.folder);
    HKEY key;
    if (!fits || RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                                 nullptr, &key, nullptr) != ERROR_SUCCESS) {
        ShowPathError(setup.title, MSG_REGISTRATION_FAILED);
        return FALSE;
    }
    BOOL ok = RegSetValueExA(key, "DisplayName", 0, REG_SZ, (const BYTE*)setup.title,
                             (DWORD)lstrlenA(setup.title) + 1) == ERROR_SUCCESS &&
              RegSetValueExA(key, "UninstallString", 0, REG_SZ, (const BYTE*)command,
                             (DWORD)lstrlenA(command) + 1) == ERROR_SUCCESS;
    RegCloseKey(key);
    if (!ok) ShowPathError(setup.title, MSG_REGISTRATION_FAILED);
    return ok;
}

void RunInstallStep() {
    HWND page = setup.activeWindow;
    int last = setup.fileCount + 3;
    BOOL ok = TRUE;
    if (setup.stepIndex == 0) {
        SendDlgItemMessageA(page, IDC_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, last));
        ok = CreateDirectoryPath(setup.installDir);
    } else if (setup.stepIndex < last) {
        ResolveFileEntry(setup.stepIndex - 2);
        ok = CopyEntryFile();
    } else {
        BOOL made = MakeShortcuts();
        ok = RegisterUninstall() && made;
    }
    if (!ok) setup.stepFailed = TRUE;
    SendDlgItemMessageA(page, IDC_PROGRESS, PBM_DELTAPOS, 1, 0);
    ++setup.stepIndex;
    if (setup.stepIndex > last) ShowFinalState();
    else PostMessageA(page, WM_COMMAND, IDOK, 0);
}
