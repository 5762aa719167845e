// The first wizard page: where to install.
#include <cstring>

#include "app/setup_state.h"
#include "app/window_placement.h"
#include "resources/messages.h"
#include "resources/resource_ids.h"
#include "text/directories.h"
#include "text/system_folders.h"
#include "text/text.h"
#include "wizard/wizard.h"

namespace {

// Below this tenth of the free bytes (about 100 MB free) the user is asked.
constexpr unsigned long long kLowSpaceMeasure = 10485760;

void ShowPageError(HWND page, const char* text) { MessageBoxA(page, text, nullptr, MB_ICONERROR); }

BOOL OnInitDialog(HWND page) {
    setup.sheetWindow = GetParent(page);
    CentreWindow(setup.sheetWindow);
    SendDlgItemMessageA(page, IDC_DESTINATION, EM_LIMITTEXT, kPathSize - 1, 0);
    char text[kProductTextSize + 64];
    CopyText(text, sizeof text, setup.title);
    AppendText(text, sizeof text, MSG_CHOOSE_DESTINATION);
    SetDlgItemTextA(page, IDC_INSTRUCTION, text);
    CopyText(text, sizeof text, setup.title);
    AppendText(text, sizeof text, MSG_SHEET_CAPTION);
    SetWindowTextA(setup.sheetWindow, text);
    return TRUE;
}

// The folder picker: the platform's old-style file dialog on template 105,
// opened at the Windows drive's root. The chosen folder goes into the field.
void OnBrowse(HWND page) {
    char root[kPathSize] = "";
    GetWindowsDirectoryA(root, sizeof root);
    root[3] = 0;
    SetCurrentDirectoryA(root);

    char file[kPathSize] = "dummy";
    OPENFILENAME_NT4A dialog;  // the 76-byte form of the period
    memset(&dialog, 0, sizeof dialog);
    dialog.lStructSize = 76;
    dialog.hwndOwner = page;
    dialog.hInstance = setup.instance;
    dialog.lpstrFilter = "*.*\0*.*\0";
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file;
    dialog.nMaxFile = sizeof file;
    dialog.Flags = OFN_ENABLETEMPLATE | OFN_NOCHANGEDIR;
    dialog.lpTemplateName = MAKEINTRESOURCEA(IDD_BROWSE);
    if (GetSaveFileNameA(reinterpret_cast<LPOPENFILENAMEA>(&dialog)) && dialog.nFileOffset < sizeof file) {
        file[dialog.nFileOffset] = 0;
        SetDlgItemTextA(page, IDC_DESTINATION, file);
    }
    SetCurrentDirectoryA(setup.setupDir);
}

void OnSetActive(HWND page) {
    PostMessageA(setup.sheetWindow, PSM_SETWIZBUTTONS, 0, PSWIZB_NEXT);
    SetDlgItemTextA(page, IDC_DESTINATION, setup.installDir);
}

// Creates every missing level of installDir, then takes the deepest away
// again: the installation run makes it for real.
BOOL TryCreatingDestination(HWND page) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(setup.installDir, &found);
    if (search != INVALID_HANDLE_VALUE) {
        FindClose(search);
        return TRUE;
    }
    setup.activeWindow = page;
    if (!CreateDirectoryPath(setup.installDir)) return FALSE;
    RemoveDirectoryA(setup.installDir);
    return TRUE;
}

// Asks whether to go on when the drive is short of space.
BOOL AcceptFreeSpace(HWND page) {
    unsigned long long measure = MeasureFreeSpace();
    if (measure >= kLowSpaceMeasure) return TRUE;
    char text[256];
    wsprintfA(text, MSG_LOW_SPACE, (unsigned)(measure / 102 / 1024));
    return MessageBoxA(page, text, setup.title, MB_ICONQUESTION | MB_YESNO) != IDNO;
}

INT_PTR OnWizardNext(HWND page) {
    GetDlgItemTextA(page, IDC_DESTINATION, setup.installDir, kPathSize);
    if (!EnsureTrailingSeparator(setup.installDir, kPathSize)) {
        // 259 bytes without a final backslash leave no room for one.
        ShowPageError(page, MSG_DESTINATION_TOO_LONG);
        return StayOnPage(page);
    }
    if (strlen(setup.installDir) <= 3) {
        ShowPageError(page, MSG_ROOT_REFUSED);
        return StayOnPage(page);
    }
    if (setup.installDir[1] != ':' || setup.installDir[2] != '\\') {
        ShowPageError(page, MSG_DRIVE_REQUIRED);
        return StayOnPage(page);
    }
    // Wildcards would let the platform's search find another folder
    // (C:\WIN* finds C:\WINDOWS), so the characters are checked first.
    if (HasCharacterRefusedInPath(setup.installDir)) {
        ShowPageError(page, MSG_BAD_CHARACTERS);
        return StayOnPage(page);
    }
    // The removal would walk such a folder and offer the user's files for deletion.
    if (IsSystemFolderOrAncestor(setup.installDir)) {
        ShowPageError(page, MSG_SYSTEM_FOLDER_REFUSED);
        return StayOnPage(page);
    }
    if (!TryCreatingDestination(page) || !AcceptFreeSpace(page)) return StayOnPage(page);
    if (setup.isResident) {
        // Straight to the progress page; the frame must not move on as well.
        SendMessageA(setup.sheetWindow, PSM_SETCURSEL, 2, 0);
        return StayOnPage(page);
    }
    return FALSE;
}

INT_PTR OnNotify(HWND page, const NMHDR* notification) {
    switch (notification->code) {
        case PSN_SETACTIVE:
            OnSetActive(page);
            return FALSE;
        case PSN_WIZNEXT:
            return OnWizardNext(page);
        default:
            return FALSE;
    }
}

}  // namespace

unsigned long long MeasureFreeSpace() {
    char full[kPathSize];
    DWORD length = GetFullPathNameA(setup.installDir, sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full || full[1] != ':' || full[2] != '\\') return 0;
    full[3] = 0;
    DWORD sectorsPerCluster, bytesPerSector, freeClusters, totalClusters;
    if (!GetDiskFreeSpaceA(full, &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters)) return 0;
    return (unsigned long long)(freeClusters / 10) * sectorsPerCluster * bytesPerSector;
}

INT_PTR CALLBACK DestinationPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog(page);
        case WM_COMMAND:
            if (LOWORD(wParam) == IDC_BROWSE) OnBrowse(page);
            return FALSE;
        case WM_NOTIFY:
            return OnNotify(page, reinterpret_cast<const NMHDR*>(lParam));
        default:
            return FALSE;
    }
}
