// Built-in behaviour of the controls the dialogs use: text of any window,
// the edit field's limit, check boxes, the progress bar.
#include <algorithm>
#include <cstring>

#include "windows/window.h"

namespace host {

namespace {

UINT ButtonType(const Window& button) { return button.style & BS_TYPEMASK; }

// Tells the parent of a control, as controls do: WM_COMMAND with the id and a code.
void NotifyParent(Window& control, WORD code) {
    HWND handle = control.handle;
    if (Window* parent = FindWindowObject(control.parent))
        Dispatch(*parent, WM_COMMAND, MAKEWPARAM(control.id, code), reinterpret_cast<LPARAM>(handle));
}

LRESULT ProgressMessage(Window& bar, UINT message, WPARAM wParam, LPARAM lParam) {
    int previous = bar.pos;
    switch (message) {
        case PBM_SETRANGE:
        case PBM_SETRANGE32: {
            LRESULT old = MAKELONG(bar.low, bar.high);
            bar.low = message == PBM_SETRANGE ? LOWORD(lParam) : static_cast<int>(wParam);
            bar.high = message == PBM_SETRANGE ? HIWORD(lParam) : static_cast<int>(lParam);
            bar.pos = std::min(std::max(bar.pos, bar.low), std::max(bar.low, bar.high));
            return old;
        }
        case PBM_SETPOS:
            bar.pos = static_cast<int>(wParam);
            break;
        case PBM_DELTAPOS:
            bar.pos += static_cast<int>(wParam);
            break;
        case PBM_SETSTEP: {
            int old = bar.step;
            bar.step = static_cast<int>(wParam);
            return old;
        }
        case PBM_STEPIT:
            bar.pos += bar.step;
            if (bar.pos > bar.high) bar.pos = bar.low + (bar.pos - bar.high);  // starts over
            break;
        case PBM_GETRANGE:
            if (PBRANGE* range = reinterpret_cast<PBRANGE*>(lParam)) {
                range->iLow = bar.low;
                range->iHigh = bar.high;
            }
            return wParam ? bar.low : bar.high;
        case PBM_GETPOS:
            return bar.pos;
        default:
            return 0;
    }
    bar.pos = std::min(std::max(bar.pos, bar.low), std::max(bar.low, bar.high));
    return previous;
}

}  // namespace

bool IsCheckBox(const Window& control) {
    if (control.className != "button") return false;
    UINT type = ButtonType(control);
    return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON || type == BS_3STATE ||
           type == BS_AUTO3STATE || type == BS_AUTORADIOBUTTON;
}

void ClickButton(Window& button) {
    switch (ButtonType(button)) {
        case BS_AUTOCHECKBOX: button.check = button.check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED; break;
        case BS_AUTO3STATE: button.check = (button.check + 1) % 3; break;
        case BS_AUTORADIOBUTTON: button.check = BST_CHECKED; break;
        default: break;
    }
    NotifyParent(button, BN_CLICKED);
}

// Text, EM_LIMITTEXT, BM_ check messages and the progress bar's; an edit
// sends EN_CHANGE but no EN_UPDATE, and list boxes take no messages.
LRESULT ControlMessage(Window& control, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SETTEXT:
            SetTextByProgram(control, lParam ? reinterpret_cast<LPCSTR>(lParam) : "");
            if (control.className == "edit") NotifyParent(control, EN_CHANGE);
            return TRUE;
        case WM_GETTEXT: {
            char* out = reinterpret_cast<char*>(lParam);
            if (!out || wParam == 0) return 0;
            size_t length = FittingLength(control.text, wParam - 1);
            memcpy(out, control.text.data(), length);
            out[length] = 0;
            return static_cast<LRESULT>(length);
        }
        case WM_GETTEXTLENGTH:
            return static_cast<LRESULT>(control.text.size());
        default:
            break;
    }
    if (control.role != Role::kControl) return 0;
    if (control.className == "edit") {
        // The limit holds for typing only; WM_SETTEXT may put in more.
        if (message == EM_LIMITTEXT) control.editLimit = wParam ? wParam : 0x7FFFFFFE;
        if (message == EM_GETLIMITTEXT) return static_cast<LRESULT>(control.editLimit);
        return 0;
    }
    if (control.className == "button") {
        if (message == BM_GETCHECK) return IsCheckBox(control) ? control.check : BST_UNCHECKED;
        if (message == BM_SETCHECK && IsCheckBox(control)) {
            UINT check = wParam == BST_CHECKED || wParam == BST_INDETERMINATE ? static_cast<UINT>(wParam) : BST_UNCHECKED;
            if (control.check != check) {
                control.check = check;
                NoteCheck(control);
            }
        }
        if (message == BM_CLICK && control.enabled) ClickButton(control);
        return 0;
    }
    if (control.className == PROGRESS_CLASSA) return ProgressMessage(control, message, wParam, lParam);
    return 0;
}

}  // namespace host
