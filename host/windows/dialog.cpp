// Dialogs built from the resource script's templates: modal dialogs and the
// calls that address a dialog's controls by id.
#include <cstdlib>

#include "core/machine.h"
#include "windows/templates.h"
#include "windows/window.h"

namespace host {

namespace {

std::vector<DialogTemplate> gTestTemplates;  // hand-made templates of tests

std::string LowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The non-client part of a top-level dialog: a 3-pixel frame and an 18-pixel caption.
RECT FrameInset(DWORD style) { return RECT{3, (style & WS_CAPTION) == WS_CAPTION ? 21 : 3, 3, 3}; }

}  // namespace

void AddDialogTemplateForTest(const DialogTemplate& dialog) { gTestTemplates.push_back(dialog); }

void ClearDialogTemplatesForTest() { gTestTemplates.clear(); }

// Only numbered templates ("#N" included); the module handle is not looked at.
const DialogTemplate* LookupTemplate(LPCSTR name) {
    int id;
    if (IS_INTRESOURCE(name)) id = LOWORD(name);
    else if (name && name[0] == '#') id = std::atoi(name + 1);
    else return nullptr;
    for (const DialogTemplate& dialog : gTestTemplates)
        if (dialog.id == id) return &dialog;
    return FindDialogTemplate(id);
}

HWND FirstTabStop(const Window& dialog) {
    for (HWND child : dialog.children) {
        Window* control = FindWindowObject(child);
        if (control && control->visible && control->enabled && (control->style & WS_TABSTOP)) return child;
    }
    return nullptr;
}

Window& BuildDialog(const DialogTemplate& dialog, Role role, HWND parent, DLGPROC procedure) {
    Window& window = CreateWindowObject(role, "#32770", parent);
    HWND handle = window.handle;
    window.id = dialog.id;
    window.text = dialog.caption;
    window.style = dialog.style & ~(WS_VISIBLE | WS_DISABLED);
    window.enabled = role == Role::kPage || !(dialog.style & WS_DISABLED);  // the sheet enables its pages
    window.dialogProc = procedure;
    window.units = RECT{dialog.x, dialog.y, dialog.x + dialog.width, dialog.y + dialog.height};
    RECT client = PixelsFromUnits(0, 0, dialog.width, dialog.height);
    if (role == Role::kPage) {
        window.rect = client;
    } else {
        window.inset = FrameInset(dialog.style);
        int width = client.right + window.inset.left + window.inset.right;
        int height = client.bottom + window.inset.top + window.inset.bottom;
        RECT at = PixelsFromUnits(dialog.x, dialog.y, 0, 0);
        if (dialog.style & DS_CENTER) {
            at.left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
            at.top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
        }
        window.rect = RECT{at.left, at.top, at.left + width, at.top + height};
    }
    for (const ControlTemplate& item : dialog.controls) {
        Window& control = CreateWindowObject(Role::kControl, LowerAscii(item.className), handle);
        control.id = item.id;
        control.text = item.text;
        control.style = (item.style & ~(WS_VISIBLE | WS_DISABLED)) | WS_CHILD;
        control.exStyle = item.exStyle;
        control.enabled = !(item.style & WS_DISABLED);
        control.visible = (item.style & WS_VISIBLE) != 0;
        control.units = RECT{item.x, item.y, item.x + item.width, item.y + item.height};
        control.rect = PixelsFromUnits(item.x, item.y, item.width, item.height);
    }
    return *FindWindowObject(handle);
}

}  // namespace host

using host::FindWindowObject;
using host::Window;

// Only templates of the program's resource script, by number.
INT_PTR DialogBoxParamA(HINSTANCE, LPCSTR templateName, HWND owner, DLGPROC dialogProc, LPARAM initParam) {
    const host::DialogTemplate* dialog = host::LookupTemplate(templateName);
    if (!dialog || !dialogProc) {
        host::SetError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return -1;
    }
    if (owner && !FindWindowObject(owner)) return -1;
    host::Modal modal;  // outlives the window: WM_DESTROY may still call EndDialog
    Window& window = host::BuildDialog(*dialog, host::Role::kDialog, owner, dialogProc);
    HWND handle = window.handle;
    host::WindowGuard guard(handle);
    modal.top = handle;
    window.modal = &modal;
    HWND first = host::FirstTabStop(window);
    if (SendMessageA(handle, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), initParam) && first) SetFocus(first);
    if (!modal.ended) {
        if (Window* shown = FindWindowObject(handle)) shown->visible = true;
        host::RunModalLoop(modal);
    }
    Window* ended = FindWindowObject(handle);
    if (ended && ended->announced)
        host::NoteEvent(host::WindowEvent::kEnded, handle,
                        "end " + host::ScreenName(*ended) + " result=" + std::to_string(modal.result));
    return modal.result;
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    Window* window = FindWindowObject(dialog);
    if (!window || !window->modal) return FALSE;
    window->modal->ended = true;
    window->modal->result = result;
    return TRUE;
}

HWND GetDlgItem(HWND dialog, int id) {
    Window* window = FindWindowObject(dialog);
    if (!window) return nullptr;
    Window* control = host::ChildById(*window, id);
    if (!control) {
        host::SetError(ERROR_CONTROL_ID_NOT_FOUND);
        return nullptr;
    }
    return control->handle;
}

BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
    HWND control = GetDlgItem(dialog, id);
    return control && SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}

UINT GetDlgItemTextA(HWND dialog, int id, LPSTR text, int size) {
    if (!text || size <= 0) return 0;
    text[0] = 0;
    HWND control = GetDlgItem(dialog, id);
    if (!control) return 0;
    return static_cast<UINT>(SendMessageA(control, WM_GETTEXT, size, reinterpret_cast<LPARAM>(text)));
}

UINT IsDlgButtonChecked(HWND dialog, int id) {
    return static_cast<UINT>(SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0));
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check) {
    HWND control = GetDlgItem(dialog, id);
    if (!control) return FALSE;
    SendMessageA(control, BM_SETCHECK, check, 0);
    return TRUE;
}
