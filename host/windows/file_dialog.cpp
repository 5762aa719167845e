// GetSaveFileNameA as the old-style dialog built from the program's own
// template, used as a folder picker: the user moves between folders (the
// script's `folder PATH`) and presses OK or Cancel.
#include <algorithm>
#include <cstring>

#include "core/codepage.h"
#include "core/machine.h"
#include "windows/window.h"

namespace host {

namespace {

constexpr int kCurrentFolder = 1088;  // stc1: the folder shown
constexpr int kFolderList = 1121;     // lst2: its subfolders
constexpr int kDriveList = 1137;      // cmb2: the drives
constexpr int kFileName = 1152;       // edt1: the file name

DWORD gExtendedError = 0;  // what CommDlgExtendedError reports

struct FileDialog {
    OPENFILENAMEA* record;  // the program's record, filled on OK
    std::string folder;     // full path of the folder on screen
};

FileDialog* StateOf(Window& dialog) {
    return dialog.role == Role::kFileDialog ? static_cast<FileDialog*>(dialog.behind) : nullptr;
}

std::string WithBackslash(const std::string& folder) {
    return !folder.empty() && folder.back() == '\\' ? folder : folder + "\\";
}

std::vector<std::string> SubfolderNames(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((WithBackslash(folder) + "*.*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = found.cFileName;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return UpperAscii932(a) < UpperAscii932(b); });
    return names;
}

// Puts a folder on screen: the label, the folder list and the drive list.
void ShowFolder(Window& dialog, FileDialog& state, const std::string& folder) {
    state.folder = folder;
    if (Window* label = ChildById(dialog, kCurrentFolder)) label->text = folder;
    if (Window* list = ChildById(dialog, kFolderList)) list->items = SubfolderNames(folder);
    if (Window* drives = ChildById(dialog, kDriveList)) {
        drives->items.clear();
        for (const auto& drive : Config().drives) drives->items.push_back(std::string(1, drive.first) + ":");
        drives->text = folder.substr(0, 2);
    }
}

// The part after the last backslash, double-byte aware, of at most `size` bytes.
std::string FileNamePart(const char* file, size_t size) {
    std::string text(file, strnlen(file, size));
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (IsLeadByte932(static_cast<unsigned char>(text[i]))) ++i;
        else if (text[i] == '\\') start = i + 1;
    }
    return text.substr(start);
}

// OK: the folder and the file name into the program's record.
void Choose(Window& dialog, FileDialog& state) {
    OPENFILENAMEA& record = *state.record;
    Window* edit = ChildById(dialog, kFileName);
    std::string name = edit ? edit->text : "";
    if (name.empty()) return;  // nothing to return; the dialog stays
    std::string path = WithBackslash(state.folder);
    size_t offset = path.size();
    path += name;
    if (path.size() + 1 > record.nMaxFile || path.size() + 1 > 0xFFFF) {
        gExtendedError = FNERR_BUFFERTOOSMALL;
        if (record.nMaxFile >= 2) {
            WORD needed = static_cast<WORD>(std::min<size_t>(path.size() + 1, 0xFFFF));
            memcpy(record.lpstrFile, &needed, sizeof needed);
        }
        EndDialog(dialog.handle, FALSE);
        return;
    }
    memcpy(record.lpstrFile, path.c_str(), path.size() + 1);
    record.nFileOffset = static_cast<WORD>(offset);
    size_t dot = name.rfind('.');  // '.' is never a trail byte
    if (dot == std::string::npos) record.nFileExtension = static_cast<WORD>(path.size());
    else record.nFileExtension = dot + 1 == name.size() ? 0 : static_cast<WORD>(offset + dot + 1);
    if (record.lpstrFileTitle && record.nMaxFileTitle > 0) {
        size_t length = FittingLength(name, record.nMaxFileTitle - 1);
        memcpy(record.lpstrFileTitle, name.data(), length);
        record.lpstrFileTitle[length] = 0;
    }
    EndDialog(dialog.handle, TRUE);
}

INT_PTR CALLBACK FileDialogProc(HWND handle, UINT message, WPARAM wParam, LPARAM) {
    Window* dialog = IsWindow(handle) ? FindWindowObject(handle) : nullptr;
    FileDialog* state = dialog ? StateOf(*dialog) : nullptr;
    if (!state) return FALSE;
    if (message == WM_INITDIALOG) return TRUE;
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
        Choose(*dialog, *state);
        return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        EndDialog(handle, FALSE);
        return TRUE;
    }
    return FALSE;
}

bool RecordSizeAccepted(DWORD size) { return size == 76 || size == 88 || size == sizeof(OPENFILENAMEA); }

// Puts the current directory back when asked to, on every way out.
struct DirectoryKeeper {
    bool restore;       // OFN_NOCHANGEDIR
    std::string start;  // the directory before the dialog
    ~DirectoryKeeper() {
        if (restore) SetCurrentDirectoryA(start.c_str());
    }
};

}  // namespace

bool ChangeFolder(Window& dialog, const std::string& path, std::string* why) {
    FileDialog* state = StateOf(dialog);
    std::string full;
    DWORD attributes = FullWindowsPath(path, &full) ? GetFileAttributesA(full.c_str()) : INVALID_FILE_ATTRIBUTES;
    if (!state || attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        !SetCurrentDirectoryA(full.c_str())) {
        *why = "no folder " + DisplayUtf8(path);
        return false;
    }
    char current[MAX_PATH];
    if (!GetCurrentDirectoryA(sizeof current, current)) return false;
    NoteEvent(WindowEvent::kAction, dialog.handle, std::string("folder ") + Quoted(current));
    ShowFolder(dialog, *state, current);
    return true;
}

std::string CurrentFolder(Window& dialog) {
    FileDialog* state = StateOf(dialog);
    return state ? state->folder : "";
}

}  // namespace host

using host::Window;

// The old-style dialog with the program's template only (OFN_ENABLETEMPLATE
// without OFN_EXPLORER); no hook, no filters shown, no name checks: what
// the hidden file-name field holds is returned under the chosen folder.
BOOL GetSaveFileNameA(LPOPENFILENAMEA record) {
    host::gExtendedError = 0;
    if (!record) {
        host::gExtendedError = CDERR_INITIALIZATION;
        return FALSE;
    }
    if (!host::RecordSizeAccepted(record->lStructSize)) {
        host::gExtendedError = CDERR_STRUCTSIZE;
        return FALSE;
    }
    if (!record->lpstrFile || record->nMaxFile == 0) {
        host::gExtendedError = CDERR_INITIALIZATION;
        return FALSE;
    }
    if (!(record->Flags & OFN_ENABLETEMPLATE) || (record->Flags & OFN_EXPLORER) ||
        (record->hwndOwner && !IsWindow(record->hwndOwner))) {
        host::gExtendedError = CDERR_DIALOGFAILURE;
        return FALSE;
    }
    const host::DialogTemplate* dialog = host::LookupTemplate(record->lpTemplateName);
    if (!dialog) {
        host::gExtendedError = CDERR_FINDRESFAILURE;
        return FALSE;
    }
    char start[MAX_PATH];
    if (!GetCurrentDirectoryA(sizeof start, start)) {
        host::gExtendedError = CDERR_DIALOGFAILURE;
        return FALSE;
    }
    host::DirectoryKeeper keeper{(record->Flags & OFN_NOCHANGEDIR) != 0, start};
    std::string initial = start;
    if (record->lpstrInitialDir && *record->lpstrInitialDir) {
        DWORD attributes = GetFileAttributesA(record->lpstrInitialDir);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            initial = record->lpstrInitialDir;
    }
    host::FileDialog state{record, start};
    host::Modal modal;  // outlives the window
    Window& window = host::BuildDialog(*dialog, host::Role::kFileDialog, record->hwndOwner, host::FileDialogProc);
    HWND handle = window.handle;
    host::WindowGuard guard(handle);
    window.behind = &state;
    window.modal = &modal;
    modal.top = handle;
    if (Window* edit = host::ChildById(window, host::kFileName))
        edit->text = host::FileNamePart(record->lpstrFile, record->nMaxFile);
    char folder[MAX_PATH];
    if (SetCurrentDirectoryA(initial.c_str()) && GetCurrentDirectoryA(sizeof folder, folder)) initial = folder;
    host::ShowFolder(window, state, initial);
    SendMessageA(handle, WM_INITDIALOG, 0, reinterpret_cast<LPARAM>(record));
    window.visible = true;
    host::RunModalLoop(modal);
    Window* ended = host::FindWindowObject(handle);
    if (ended && ended->announced)
        host::NoteEvent(host::WindowEvent::kEnded, handle, "end " + host::ScreenName(*ended) + " result=" + std::to_string(modal.result));
    return modal.result ? TRUE : FALSE;
}

DWORD CommDlgExtendedError(void) { return host::gExtendedError; }
