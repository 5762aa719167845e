// The terminal front end's keys: what a key does on the screen or in a
// message box, and the keys shown on the last row.
//
//   Tab, Shift-Tab, arrows   move the focus (arrows move the cursor in an
//                            edit field and the choice in a list)
//   typing                   into the focused edit field (Backspace, Delete,
//                            Home, End); each change is a `set` of the whole text
//   Space                    ticks the focused check box, presses the focused button
//   Enter                    presses the focused button, else the default one
//                            (Next or Finish in the wizard, the dialog's default);
//                            in the folder list, opens the chosen folder
//   a button's letter        presses it (Alt+letter in an edit field): N Next,
//                            B Back, F Finish, O the OK of a dialog
//   Esc                      Cancel
//   Backspace in the folder list: the parent folder
#include <algorithm>

#include "core/codepage.h"
#include "ui/terminal.h"
#include "ui/terminal_parts.h"

namespace host {
namespace terminal {

namespace {

UINT TypeOf(const ControlView& control) { return control.style & BS_TYPEMASK; }
bool IsButton(const ControlView& control) { return control.className == "button"; }
bool IsPush(const ControlView& control) {
    return IsButton(control) && (TypeOf(control) == BS_PUSHBUTTON || TypeOf(control) == BS_DEFPUSHBUTTON);
}
bool IsRadio(const ControlView& control) {
    return IsButton(control) && (TypeOf(control) == BS_RADIOBUTTON || TypeOf(control) == BS_AUTORADIOBUTTON);
}
bool IsCheck(const ControlView& control) {
    UINT type = TypeOf(control);
    return IsButton(control) && (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE ||
                                 type == BS_AUTO3STATE);
}
bool Usable(const ControlView& control) { return control.visible && control.enabled; }
bool TakesFocus(const ControlView& control) {
    if (!Usable(control)) return false;
    const std::string& kind = control.className;
    return kind == "edit" || kind == "listbox" || kind == "combobox" || (IsButton(control) && TypeOf(control) != BS_GROUPBOX);
}
bool IsFrameButton(const ScreenView& view, const ControlView& control) {
    return view.kind == ScreenKind::kWizardPage &&
           (control.id == kBackButton || control.id == kNextButton || control.id == kFinishButton || control.id == IDCANCEL);
}

const ControlView* Find(const ScreenView& view, HWND window) {
    if (!window) return nullptr;
    for (const ControlView& control : view.controls)
        if (control.window == window) return &control;
    return nullptr;
}

const ControlView* UsableButton(const ScreenView& view, int id) {
    for (const ControlView& control : view.controls)
        if (control.id == id && IsButton(control) && Usable(control)) return &control;
    return nullptr;
}

// The button Enter presses when the focus is on no button.
const ControlView* DefaultButton(const ScreenView& view) {
    if (view.kind == ScreenKind::kWizardPage) {
        if (const ControlView* next = UsableButton(view, kNextButton)) return next;
        return UsableButton(view, kFinishButton);
    }
    for (const ControlView& control : view.controls)
        if (IsButton(control) && TypeOf(control) == BS_DEFPUSHBUTTON && Usable(control)) return &control;
    return UsableButton(view, IDOK);
}

// The end of the last character in `text` before `offset`, double-byte aware.
size_t PreviousChar(const std::string& text, size_t offset) {
    size_t start = 0;
    for (size_t i = 0; i < offset && i < text.size();) {
        start = i;
        i += IsLeadByte932(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
    }
    return offset == 0 ? 0 : start;
}
size_t NextChar(const std::string& text, size_t offset) {
    if (offset >= text.size()) return text.size();
    return std::min(text.size(), offset + (IsLeadByte932(static_cast<unsigned char>(text[offset])) ? 2 : 1));
}

// Where the last backslash of a path is (-1 for none), trail bytes skipped.
long LastBackslash(const std::string& path) {
    long last = -1;
    for (size_t i = 0; i < path.size(); ++i) {
        if (IsLeadByte932(static_cast<unsigned char>(path[i]))) ++i;
        else if (path[i] == '\\') last = static_cast<long>(i);
    }
    return last;
}

// "C:\A\B" has the parent "C:\A", "C:\A" has "C:\"; a drive's root has none.
std::string ParentFolder(const std::string& folder) {
    long slash = LastBackslash(folder);
    if (slash < 0 || static_cast<size_t>(slash) + 1 == folder.size()) return "";
    std::string parent = folder.substr(0, slash);
    if (LastBackslash(parent) < 0) parent += '\\';
    return parent;
}

std::string ChildFolder(const std::string& folder, const std::string& name) {
    long slash = LastBackslash(folder);
    bool ends = slash >= 0 && static_cast<size_t>(slash) + 1 == folder.size();
    return folder + (ends ? "" : "\\") + name;
}

KeyResult Refuse(UiState* state, const std::string& why) {
    state->status = why;
    return KeyResult();
}

KeyResult Act(const UserAction& action) {
    KeyResult result;
    result.kind = KeyResult::kAction;
    result.action = action;
    return result;
}

KeyResult Press(const ScreenView& view, const ControlView& button) {
    UserAction action;
    action.kind = UserAction::kPress;
    bool wizard = view.kind == ScreenKind::kWizardPage;
    if (wizard && button.id == kNextButton) action.button = "next";
    else if (wizard && button.id == kBackButton) action.button = "back";
    else if (wizard && button.id == kFinishButton) action.button = "finish";
    else if (button.id == IDCANCEL && (wizard ? IsFrameButton(view, button) : true)) action.button = "cancel";
    else if (!wizard && button.id == IDOK) action.button = "ok";
    else action.id = button.id;
    return Act(action);
}

KeyResult Tick(const ControlView& box) {
    UserAction action;
    action.kind = UserAction::kCheck;
    action.id = box.id;
    action.on = IsRadio(box) || box.check != BST_CHECKED;
    return Act(action);
}

KeyResult Focus(UiState* state, HWND window) {
    state->userFocus = true;
    KeyResult result;
    result.kind = KeyResult::kFocus;
    result.focus = window;
    return result;
}

KeyResult Handled() {
    KeyResult result;
    result.kind = KeyResult::kHandled;
    return result;
}

KeyResult MoveFocus(const ScreenView& view, UiState* state, int step) {
    std::vector<HWND> order;
    for (const ControlView& control : view.controls)
        if (TakesFocus(control)) order.push_back(control.window);
    if (order.empty()) return KeyResult();
    auto at = std::find(order.begin(), order.end(), view.focus);
    int index = at == order.end() ? (step > 0 ? -1 : 0) : static_cast<int>(at - order.begin());
    int count = static_cast<int>(order.size());
    return Focus(state, order[((index + step) % count + count) % count]);
}

KeyResult SetText(const ControlView& edit, UiState* state, const std::string& text, size_t cursor) {
    state->edit = edit.window;
    state->editText = text;
    state->cursor = cursor;
    UserAction action;
    action.kind = UserAction::kSet;
    action.id = edit.id;
    action.text = text;
    return Act(action);
}

KeyResult EditKey(const ControlView& edit, UiState* state, const Key& key) {
    const std::string& text = edit.text;
    size_t cursor = state->edit == edit.window && state->editText == text ? std::min(state->cursor, text.size()) : text.size();
    switch (key.kind) {
        case Key::kLeft: state->cursor = PreviousChar(text, cursor); return Handled();
        case Key::kRight: state->cursor = NextChar(text, cursor); return Handled();
        case Key::kHome: state->cursor = 0; return Handled();
        case Key::kEnd: state->cursor = text.size(); return Handled();
        default: break;
    }
    if (edit.style & ES_READONLY) return Refuse(state, u8"この欄は書き換えられません");
    if (key.kind == Key::kBackspace) {
        if (cursor == 0) return KeyResult();
        size_t start = PreviousChar(text, cursor);
        return SetText(edit, state, text.substr(0, start) + text.substr(cursor), start);
    }
    if (key.kind == Key::kDelete) {
        if (cursor >= text.size()) return KeyResult();
        return SetText(edit, state, text.substr(0, cursor) + text.substr(NextChar(text, cursor)), cursor);
    }
    std::string typed;
    if (!Utf8ToCp932(Utf8Of(std::wstring(1, key.ch)), &typed) || typed.empty())
        return Refuse(state, u8"この文字は入力できません");
    if (text.size() + typed.size() > state->editLimit) return Refuse(state, u8"これ以上入力できません");
    return SetText(edit, state, text.substr(0, cursor) + typed + text.substr(cursor), cursor + typed.size());
}

KeyResult OpenLine(const ScreenView& view, const ControlView& list, UiState* state) {
    std::vector<std::string> lines = ListLines(view, list);
    int line = SelectedLine(view, *state, list);
    if (view.kind != ScreenKind::kFolderDialog || line < 0) return KeyResult();
    UserAction action;
    action.kind = UserAction::kFolder;
    action.text = lines[line] == ".." ? ParentFolder(view.folder) : ChildFolder(view.folder, lines[line]);
    return Act(action);
}

KeyResult ListKey(const ScreenView& view, const ControlView& list, UiState* state, const Key& key) {
    int count = static_cast<int>(ListLines(view, list).size());
    int line = SelectedLine(view, *state, list);
    int step = key.kind == Key::kUp ? -1 : key.kind == Key::kDown ? 1 : key.kind == Key::kPageUp ? -8
               : key.kind == Key::kPageDown ? 8 : 0;
    if (key.kind == Key::kHome) step = -count;
    if (key.kind == Key::kEnd) step = count;
    if (step == 0 || count == 0) return KeyResult();
    state->selected[list.window] = std::min(std::max(line + step, 0), count - 1);
    return Handled();
}

// The drive list of the folder dialog: the arrows change drives.
KeyResult DriveKey(const ScreenView& view, const ControlView& combo, const Key& key) {
    if (view.kind != ScreenKind::kFolderDialog || combo.items.empty()) return KeyResult();
    int count = static_cast<int>(combo.items.size()), index = 0;
    for (int i = 0; i < count; ++i)
        if (EqualNoCase932(combo.items[i], combo.text)) index = i;
    int next = std::min(std::max(index + (key.kind == Key::kUp ? -1 : 1), 0), count - 1);
    if (next == index) return KeyResult();
    UserAction action;
    action.kind = UserAction::kFolder;
    action.text = combo.items[next] + "\\";
    return Act(action);
}

// A letter: the control whose mnemonic it is, then the wizard's Finish and a dialog's OK.
KeyResult LetterKey(const ScreenView& view, UiState* state, wchar_t letter) {
    wchar_t upper = static_cast<wchar_t>(towupper(letter));
    for (size_t i = 0; i < view.controls.size(); ++i) {
        const ControlView& control = view.controls[i];
        if (!Usable(control) || control.className == "edit" || control.className == "listbox" ||
            control.className == "combobox" || control.className == PROGRESS_CLASSA)
            continue;
        if (LabelOf(control.text, true).key != upper) continue;
        if (IsPush(control)) return Press(view, control);
        if (IsCheck(control) || IsRadio(control)) return Tick(control);
        // A label's letter goes to the control after it.
        for (size_t k = i + 1; k < view.controls.size(); ++k)
            if (TakesFocus(view.controls[k])) return Focus(state, view.controls[k].window);
    }
    if (upper == L'F' && view.kind == ScreenKind::kWizardPage)
        if (const ControlView* finish = UsableButton(view, kFinishButton)) return Press(view, *finish);
    if (upper == L'O' && view.kind != ScreenKind::kWizardPage)
        if (const ControlView* ok = UsableButton(view, IDOK)) return Press(view, *ok);
    return Refuse(state, u8"このキーはいま使えません");
}

}  // namespace

std::vector<std::string> ListLines(const ScreenView& view, const ControlView& list) {
    std::vector<std::string> lines;
    if (view.kind == ScreenKind::kFolderDialog && list.className == "listbox" && !ParentFolder(view.folder).empty())
        lines.push_back("..");
    lines.insert(lines.end(), list.items.begin(), list.items.end());
    return lines;
}

int SelectedLine(const ScreenView& view, const UiState& state, const ControlView& list) {
    int count = static_cast<int>(ListLines(view, list).size());
    if (count == 0) return -1;
    auto found = state.selected.find(list.window);
    int line = found == state.selected.end() ? 0 : found->second;
    return std::min(std::max(line, 0), count - 1);
}

bool IsDefaultFrameButton(const ScreenView& view, const ControlView& button) {
    if (view.kind != ScreenKind::kWizardPage) return false;
    const ControlView* chosen = DefaultButton(view);
    return chosen && chosen->window == button.window;
}

void SyncState(ScreenView* view, UiState* state) {
    if (state->screen != view->window) {
        *state = UiState();
        state->screen = view->window;
    }
    // Until the user moves it, the focus is the program's choice on the page
    // or dialog, else its first control that takes input, else the button
    // Enter presses; so that Enter on the wizard's last page is Finish, not
    // the Cancel that was the only usable button while the run went on.
    const ControlView* focus = Find(*view, view->focus);
    if (!focus || !TakesFocus(*focus) || (!state->userFocus && IsFrameButton(*view, *focus))) {
        focus = nullptr;
        for (const ControlView& control : view->controls) {
            if (TakesFocus(control) && !IsFrameButton(*view, control)) {
                focus = &control;
                break;
            }
        }
        if (!focus) focus = DefaultButton(*view);
        for (size_t i = 0; !focus && i < view->controls.size(); ++i)
            if (TakesFocus(view->controls[i])) focus = &view->controls[i];
        view->focus = focus ? focus->window : nullptr;
    }
    if (focus && focus->className == "edit") {
        if (state->edit != focus->window || state->editText != focus->text) {
            state->edit = focus->window;
            state->editText = focus->text;
            state->cursor = focus->text.size();
        }
    } else {
        state->edit = nullptr;
    }
    if (view->kind == ScreenKind::kFolderDialog && state->folder != view->folder) {
        // A new folder: the list starts at its top, or, coming up from a
        // subfolder, at that subfolder.
        std::string from = state->folder;
        state->folder = view->folder;
        for (const ControlView& control : view->controls) {
            if (control.className != "listbox") continue;
            state->selected[control.window] = 0;
            if (from.empty() || ParentFolder(from) != view->folder) continue;
            std::string name = from.substr(LastBackslash(from) + 1);
            std::vector<std::string> lines = ListLines(*view, control);
            for (size_t i = 0; i < lines.size(); ++i)
                if (EqualNoCase932(lines[i], name)) state->selected[control.window] = static_cast<int>(i);
        }
    }
}

KeyResult HandleKey(const ScreenView& view, UiState* state, const Key& key) {
    state->status.clear();
    const ControlView* focus = Find(view, view.focus);
    bool inEdit = focus && focus->className == "edit";
    bool inList = focus && focus->className == "listbox";
    bool inCombo = focus && focus->className == "combobox";
    switch (key.kind) {
        case Key::kTab: return MoveFocus(view, state, +1);
        case Key::kBackTab: return MoveFocus(view, state, -1);
        case Key::kUp:
        case Key::kDown:
            if (inList) return ListKey(view, *focus, state, key);
            if (inCombo) return DriveKey(view, *focus, key);
            return MoveFocus(view, state, key.kind == Key::kUp ? -1 : +1);
        case Key::kPageUp:
        case Key::kPageDown:
            return inList ? ListKey(view, *focus, state, key) : KeyResult();
        case Key::kLeft:
        case Key::kRight:
            if (inEdit) return EditKey(*focus, state, key);
            return MoveFocus(view, state, key.kind == Key::kLeft ? -1 : +1);
        case Key::kHome:
        case Key::kEnd:
            if (inEdit) return EditKey(*focus, state, key);
            return inList ? ListKey(view, *focus, state, key) : KeyResult();
        case Key::kBackspace:
            if (inEdit) return EditKey(*focus, state, key);
            if (inList && view.kind == ScreenKind::kFolderDialog && !ParentFolder(view.folder).empty()) {
                UserAction action;
                action.kind = UserAction::kFolder;
                action.text = ParentFolder(view.folder);
                return Act(action);
            }
            return KeyResult();
        case Key::kDelete:
            return inEdit ? EditKey(*focus, state, key) : KeyResult();
        case Key::kEscape:
            if (const ControlView* cancel = UsableButton(view, IDCANCEL)) return Press(view, *cancel);
            return Refuse(state, u8"いまは取り消せません");
        case Key::kEnter: {
            if (focus && IsPush(*focus)) return Press(view, *focus);
            if (inList && view.kind == ScreenKind::kFolderDialog) return OpenLine(view, *focus, state);
            if (const ControlView* button = DefaultButton(view)) return Press(view, *button);
            return Refuse(state, u8"いまは押せるボタンがありません");
        }
        case Key::kChar:
            if (inEdit && !key.alt) return EditKey(*focus, state, key);
            if (key.ch == L' ' && !key.alt && focus) {
                if (IsPush(*focus)) return Press(view, *focus);
                if (IsCheck(*focus) || IsRadio(*focus)) return Tick(*focus);
                return KeyResult();
            }
            return LetterKey(view, state, key.ch);
        case Key::kOther: return KeyResult();
    }
    return KeyResult();
}

int MessageBoxKey(const MessageBoxRequest& box, int* selected, const Key& key) {
    int ids[4], count = 0;
    ButtonsOf(box.type, ids, &count);
    *selected = std::min(std::max(*selected, 0), count - 1);
    switch (key.kind) {
        case Key::kLeft:
        case Key::kUp:
        case Key::kBackTab: *selected = (*selected + count - 1) % count; return 0;
        case Key::kRight:
        case Key::kDown:
        case Key::kTab: *selected = (*selected + 1) % count; return 0;
        case Key::kEnter: return ids[*selected];
        case Key::kEscape:
            for (int i = 0; i < count; ++i)
                if (ids[i] == IDCANCEL) return IDCANCEL;
            return count == 1 && ids[0] == IDOK ? IDOK : 0;
        case Key::kChar: {
            if (key.ch == L' ') return ids[*selected];
            wchar_t upper = static_cast<wchar_t>(towupper(key.ch));
            for (int i = 0; i < count; ++i)
                if (MessageBoxButtonLabel(ids[i]).key == upper) return ids[i];
            return 0;
        }
        default: return 0;
    }
}

std::vector<KeyHint> KeyHints(const ScreenView& view, const UiState& state) {
    std::vector<KeyHint> hints;
    const ControlView* focus = Find(view, view.focus);
    bool inEdit = focus && focus->className == "edit";
    int focusable = 0;
    for (const ControlView& control : view.controls) focusable += TakesFocus(control) ? 1 : 0;
    if (focusable > 1) hints.push_back({L"Tab", L"移動"});
    bool listOpens = false;
    if (focus && focus->className == "listbox" && view.kind == ScreenKind::kFolderDialog) {
        hints.push_back({L"↑↓", L"選択"});
        if (SelectedLine(view, state, *focus) >= 0) hints.push_back({L"Enter", L"開く"});
        if (!ParentFolder(view.folder).empty()) hints.push_back({L"BS", L"上へ"});
        listOpens = true;
    } else if (focus && focus->className == "combobox" && view.kind == ScreenKind::kFolderDialog) {
        hints.push_back({L"↑↓", L"ドライブ"});
    } else if (focus && (IsCheck(*focus) || IsRadio(*focus))) {
        hints.push_back({L"Space", L"切替"});
    }
    const ControlView* enter = focus && IsPush(*focus) ? focus : DefaultButton(view);
    if (enter && !listOpens) hints.push_back({L"Enter", ShortName(LabelOf(enter->text, true))});
    std::wstring alt = inEdit ? L"Alt+" : L"";
    std::wstring keys;
    for (const ControlView& control : view.controls) {
        if (!IsPush(control) || !Usable(control) || control.id == IDCANCEL) continue;
        Label label = LabelOf(control.text, true);
        wchar_t key = label.key;
        if (!key && view.kind == ScreenKind::kWizardPage && control.id == kFinishButton) key = L'F';
        if (!key && view.kind != ScreenKind::kWizardPage && control.id == IDOK) key = L'O';
        if (!key || keys.find(key) != std::wstring::npos) continue;
        keys += key;
        hints.push_back({alt + std::wstring(1, key), ShortName(label)});
    }
    if (const ControlView* cancel = UsableButton(view, IDCANCEL)) hints.push_back({L"Esc", ShortName(LabelOf(cancel->text, true))});
    return hints;
}

std::vector<KeyHint> MessageBoxHints(const MessageBoxRequest& box, int selected) {
    int ids[4], count = 0;
    ButtonsOf(box.type, ids, &count);
    std::vector<KeyHint> hints;
    if (count > 1) hints.push_back({L"←→", L"選択"});
    selected = std::min(std::max(selected, 0), count - 1);
    hints.push_back({L"Enter", ShortName(MessageBoxButtonLabel(ids[selected]))});
    bool escape = false;
    for (int i = 0; i < count; ++i) {
        Label label = MessageBoxButtonLabel(ids[i]);
        hints.push_back({std::wstring(1, label.key), ShortName(label)});
        escape = escape || ids[i] == IDCANCEL;
    }
    if (escape) hints.push_back({L"Esc", ShortName(MessageBoxButtonLabel(IDCANCEL))});
    else if (count == 1 && ids[0] == IDOK) hints.push_back({L"Esc", L"OK"});
    return hints;
}

}  // namespace terminal
}  // namespace host
