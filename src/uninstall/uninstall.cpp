// Uninstalling: the hand-off from the installed copy to a copy in the system
// directory, and the removal that copy runs.
#include <cstring>

#include "app/modes.h"
#include "app/setup_state.h"
#include "app/window_placement.h"
#include "resources/messages.h"
#include "resources/resource_ids.h"
#include "settings/settings.h"
#include "shortcuts/shortcuts.h"
#include "text/directories.h"
#include "text/system_folders.h"
#include "text/text.h"
#include "uninstall/registered_program.h"
#include "uninstall/removal.h"
#include "uninstall/removal_copy.h"
#include "uninstall/self_deletion.h"
#include "uninstall/shared_keys.h"
#include "uninstall/uninstall.h"

namespace {

constexpr UINT_PTR kStartTimer = 1;
constexpr UINT kStartDelayMs = 300;

// A root named at the start of a "Reg" value, and where its subkey starts.
struct RegistryRoot {
    const char* prefix;
    HKEY root;
};
const RegistryRoot kRoots[] = {
    {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
};

void ShowError(const char* text) { MessageBoxA(setup.activeWindow, text, nullptr, MB_ICONERROR); }

// Deletes one key named by a "Reg" value; a key that is not the product's
// alone is refused like an unknown root.
void DeleteListedKey(const char* value) {
    for (const RegistryRoot& root : kRoots) {
        size_t length = strlen(root.prefix);
        if (strncmp(value, root.prefix, length) != 0) continue;
        // A root's own subkeys, or a key that the system or other programs
        // share, are never the product's to delete.
        const char* subkey = value[length] ? value + length + 1 : "";
        if (IsSharedKey(root.root, subkey)) break;
        DeleteRegistryTree(root.root, subkey);
        return;
    }
    ShowError(MSG_REG_SECTION_WRONG);
}

void DeleteListedKeys() {
    char value[kPathSize];
    for (unsigned n = 1;; ++n) {
        if (!ReadSettingsPath(SECTION_REG, FormatKey(n), value)) {
            // Longer than a key path can be: not a key of ours.
            ShowError(MSG_REG_SECTION_WRONG);
            continue;
        }
        if (!value[0]) break;
        DeleteListedKey(value);
    }
}

// Deletes the listed files from the last to the program file. False when one
// stays; the main program staying stops the whole removal.
BOOL DeleteListedFiles(BOOL* stop) {
    BOOL result = TRUE;
    for (int n = setup.fileCount; n >= -1; --n) {
        ResolveFileEntry(n);
        if (!setup.entryTarget[0] || DeleteFileIfPresent(setup.entryTarget)) continue;
        result = FALSE;
        if (n == 1) {
            char text[2 * kPathSize + 256];
            CopyText(text, sizeof text, setup.entryTarget);
            AppendText(text, sizeof text, MSG_MAIN_DELETE_FAILED);
            AppendText(text, sizeof text, setup.title);
            AppendText(text, sizeof text, MSG_QUIT_AND_RETRY);
            ShowError(text);
            *stop = TRUE;
            return FALSE;
        }
    }
    return result;
}

// A drive's root ("C:\") or anything shorter: no folder of the product's own.
BOOL IsDriveRootOrShorter(const char* path) { return strlen(path) <= 3; }

void ShowResult(HWND dialog, BOOL removed) {
    char text[kPathSize + 128];
    if (removed) {
        CopyText(text, sizeof text, setup.title);
        AppendText(text, sizeof text, MSG_REMOVED_OK);
    } else {
        CopyText(text, sizeof text, setup.installDir);
        AppendText(text, sizeof text, MSG_FILES_REMAIN);
    }
    SetDlgItemTextA(dialog, IDC_REMOVAL_STATUS, text);
}

void OnTimer(HWND dialog) {
    KillTimer(dialog, kStartTimer);
    SetForegroundWindow(dialog);
    ShowResult(dialog, RunRemoval());
    HWND close = GetDlgItem(dialog, IDCANCEL);
    EnableWindow(close, TRUE);
    SetFocus(close);
    SetForegroundWindow(dialog);
}

void OnInitDialog(HWND dialog) {
    setup.activeWindow = dialog;
    CentreWindow(dialog);
    SetTimer(dialog, kStartTimer, kStartDelayMs, nullptr);
    char caption[kProductTextSize + 16];
    CopyText(caption, sizeof caption, setup.title);
    AppendText(caption, sizeof caption, MSG_REMOVAL_SUFFIX);
    SetWindowTextA(dialog, caption);
}

// Only the program file that the uninstall registration starts may remove
// the product: any other copy (the media's, say) would delete what is beside it.
BOOL IsInstalledCopy(const char* path) {
    if (IsRegisteredProgram(path)) return TRUE;
    MessageBoxA(nullptr, MSG_NOT_INSTALLED_COPY, nullptr, MB_ICONERROR);
    return FALSE;
}

}  // namespace

BOOL RunRemoval() {
    DeleteListedKeys();
    BOOL stop = FALSE;
    BOOL result = DeleteListedFiles(&stop);
    if (stop) return FALSE;
    // A product installed at a drive's root, in a system folder or in a folder
    // that holds one (the user's documents, say) leaves the other files there alone.
    if (IsDriveRootOrShorter(setup.installDir) || IsSystemFolderOrAncestor(setup.installDir) ||
        !RemoveDirectoryTree(setup.installDir))
        result = FALSE;
    char keyPath[kPathSize];
    if (CopyText(keyPath, sizeof keyPath, UNINSTALL_KEY) && AppendText(keyPath, sizeof keyPath, setup.folder))
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, keyPath);
    UpdateShortcuts(Programs, TRUE);
    UpdateShortcuts(Desktop, TRUE);
    UpdateShortcuts(Startup, TRUE);
    return result;
}

INT_PTR CALLBACK UninstallDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            OnInitDialog(dialog);
            return FALSE;
        case WM_TIMER:
            OnTimer(dialog);
            return FALSE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDCANCEL) EndDialog(dialog, 1);
            return FALSE;
        default:
            return FALSE;
    }
}

void HandOffUninstall() {
    if (!IsInstalledCopy(setup.modulePath)) return;
    char question[kProductTextSize + 256];
    CopyText(question, sizeof question, setup.title);
    AppendText(question, sizeof question, MSG_REMOVE_QUESTION);
    if (setup.isResident) AppendText(question, sizeof question, MSG_QUIT_RESIDENT);
    if (MessageBoxA(nullptr, question, setup.title, MB_OKCANCEL | MB_ICONINFORMATION) != IDOK) return;

    // The copy is written before anything is started; without it nothing is.
    char copyPath[kPathSize];
    char command[2 * kPathSize + 8];
    BOOL started = MakeRemovalCopy(copyPath) && CopyText(command, sizeof command, copyPath) &&
                   AppendText(command, sizeof command, " x ") && AppendText(command, sizeof command, setup.modulePath);
    if (started) {
        char systemDir[kPathSize] = "";
        GetSystemDirectoryA(systemDir, sizeof systemDir);
        SetCurrentDirectoryA(systemDir);
        started = WinExec(command, SW_SHOWNORMAL) >= 32;
    }
    if (!started) MessageBoxA(nullptr, MSG_HANDOFF_FAILED, nullptr, MB_ICONERROR);
}

void RunRemovalMode() {
    CopyText(setup.installDir, kPathSize, setup.setupDir);
    char installed[kPathSize];
    if (!CopyText(installed, sizeof installed, setup.setupDir) ||
        !AppendText(installed, sizeof installed, setup.programFileName) || !IsInstalledCopy(installed))
        return;
    DialogBoxParamA(setup.instance, MAKEINTRESOURCEA(IDD_REMOVAL), nullptr, UninstallDialogProc, 0);
    // Only the hand-off's copy in the system directory deletes itself: run
    // from anywhere else, the file is the installed one or the media's.
    char self[kPathSize];
    if (GetModuleFileNameA(nullptr, self, sizeof self) && IsInSystemDirectory(self)) ScheduleSelfDeletion(self);
}
