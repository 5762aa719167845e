#include "shortcuts/shortcuts.h"

#include "app/error_boxes.h"
#include "app/setup_state.h"
#include "resources/messages.h"
#include "settings/settings.h"
#include "shortcuts/progman.h"
#include "text/directories.h"
#include "text/text.h"

namespace {

const char kShellFoldersKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char* const kShellFolderValues[] = {"Programs", "Desktop", "Startup"};

// The kind's folder from the user's shell folders, with a trailing '\'.
// False when it cannot be read or does not fit.
BOOL ReadShellFolder(ShortcutKind kind, char* folder) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kShellFoldersKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return FALSE;
    DWORD size = kPathSize - 1;
    DWORD type = 0;
    LONG result = RegQueryValueExA(key, kShellFolderValues[kind], nullptr, &type, (LPBYTE)folder, &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || size == 0) return FALSE;
    folder[size] = 0;
    return folder[0] && AppendText(folder, kPathSize, "\\");
}

// Deletes every file of the product's Start-menu folder, then the folder.
void RemoveProductFolder(char* folder) {
    size_t length = (size_t)lstrlenA(folder);
    if (!AppendText(folder, kPathSize, "\\*.*")) return;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(folder, &found);
    folder[length + 1] = 0;  // the folder path with its '\'
    if (search != INVALID_HANDLE_VALUE) {
        do {
            char path[kPathSize];
            if (CopyText(path, sizeof path, folder) && AppendText(path, sizeof path, found.cFileName))
                DeleteFileA(path);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    folder[length] = 0;
    RemoveDirectoryA(folder);
}

// Saves one shell link at folder + caption + ".lnk" pointing to target; text
// after a comma in the target is the link's arguments. A link that cannot be
// made is reported under its caption; one whose path does not fit is never
// saved at a cut path.
BOOL SaveLink(const char* folder, const char* caption, char* target) {
    char path[kPathSize];
    if (!target[0] || !CopyText(path, sizeof path, folder) || !AppendText(path, sizeof path, caption) ||
        !AppendText(path, sizeof path, ".lnk")) {
        ShowPathError(caption, MSG_PATH_TOO_LONG);
        return FALSE;
    }
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, (void**)&link))) {
        ShowPathError(caption, MSG_SHORTCUT_FAILED);
        return FALSE;
    }
    BOOL saved = TRUE;
    char* comma = FindCharMb(target, ',');
    if (comma) {
        *comma = 0;
        saved = SUCCEEDED(link->SetArguments(comma + 1));
    }
    saved = saved && SUCCEEDED(link->SetPath(target)) && SUCCEEDED(link->SetDescription(caption));
    IPersistFile* file = nullptr;
    saved = saved && SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void**)&file));
    if (saved) {
        WCHAR widePath[kPathSize];
        saved = MultiByteToWideChar(CP_ACP, 0, path, -1, widePath, kPathSize) && SUCCEEDED(file->Save(widePath, TRUE));
        file->Release();
    }
    link->Release();
    if (!saved) ShowPathError(caption, MSG_SHORTCUT_FAILED);
    return saved;
}

// Saves the links of one kind in folder; false when one could not be made.
BOOL MakeLinks(ShortcutKind kind, const char* folder) {
    BOOL ok = TRUE;
    CoInitialize(nullptr);
    if (kind == Programs && setup.groupCount > 0) {
        for (int n = 1; n <= setup.groupCount; ++n) {
            if (!ResolveGroupEntry(n)) {
                ShowEntryError(MSG_PATH_TOO_LONG);
                ok = FALSE;
                continue;
            }
            ok = SaveLink(folder, setup.entrySource, setup.entryTarget) && ok;
        }
    } else {
        ResolveFileEntry(1);
        CopyText(setup.entrySource, kPathSize, setup.title);
        ok = SaveLink(folder, setup.entrySource, setup.entryTarget);
    }
    CoUninitialize();
    return ok;
}

BOOL CreateLinks(ShortcutKind kind) {
    char folder[kPathSize];
    // Without a folder for the kind there is nowhere to put the links.
    if (!ReadShellFolder(kind, folder)) {
        ShowPathError(setup.title, MSG_SHORTCUT_FAILED);
        return FALSE;
    }
    if (kind == Programs && setup.groupCount > 0) {
        if (!AppendText(folder, kPathSize, setup.title) || !AppendText(folder, kPathSize, "\\")) {
            ShowPathError(setup.title, MSG_PATH_TOO_LONG);
            return FALSE;
        }
        // A product folder that cannot be made has been reported; no link
        // could be saved in it.
        if (!CreateOneDirectory(folder)) return FALSE;
    }
    return MakeLinks(kind, folder);
}

// Deletes what can be deleted of the kind's links, silently.
void RemoveLinks(ShortcutKind kind) {
    char folder[kPathSize];
    // Without a folder for the kind there is nowhere to look for links.
    if (!ReadShellFolder(kind, folder)) return;
    if (kind == Programs && setup.groupCount > 0) {
        if (AppendText(folder, kPathSize, setup.title)) RemoveProductFolder(folder);
        return;
    }
    if (AppendText(folder, kPathSize, setup.title) && AppendText(folder, kPathSize, ".lnk")) DeleteFileA(folder);
}

}  // namespace

BOOL UpdateShortcuts(ShortcutKind kind, BOOL remove) {
    if (!setup.isNewShell) return UpdateProgmanGroup(kind, remove);
    if (!remove) return CreateLinks(kind);
    RemoveLinks(kind);
    return TRUE;
}
