// The modal loop shared by dialogs, the wizard and the file dialog, and the
// user's actions that it carries out for the front end.
#include "ui/frontend.h"
#include "windows/window.h"

namespace host {

namespace {

// Messages and timer ticks handled without any user action before the run
// is taken for one that never waits for the user.
constexpr long kMaxUnattended = 1000000;

// The page or dialog whose controls are on screen.
Window* ScreenWindow(Window& top) { return top.role == Role::kFrame ? CurrentPage(top) : &top; }

ControlView ViewOf(const Window& control, int dx, int dy) {
    ControlView view;
    view.window = control.handle;
    view.id = control.id;
    view.className = control.className;
    view.text = control.text;
    view.style = control.style;
    view.box = RECT{control.units.left + dx, control.units.top + dy, control.units.right + dx, control.units.bottom + dy};
    view.enabled = control.enabled;
    view.visible = control.visible;
    view.check = control.check;
    view.low = control.low;
    view.high = control.high;
    view.pos = control.pos;
    view.items = control.items;
    return view;
}

ScreenView BuildView(Window& top, Window& screen) {
    ScreenView view;
    view.kind = top.role == Role::kFrame ? ScreenKind::kWizardPage
                : top.role == Role::kFileDialog ? ScreenKind::kFolderDialog : ScreenKind::kDialog;
    view.window = screen.handle;
    view.name = ScreenName(screen);
    view.templateId = screen.id;
    view.caption = top.text;
    view.width = top.units.right - top.units.left;
    view.height = top.units.bottom - top.units.top;
    view.focus = GetFocus();
    int dx = top.role == Role::kFrame ? screen.units.left : 0;
    int dy = top.role == Role::kFrame ? screen.units.top : 0;
    for (HWND child : screen.children)
        if (Window* control = FindWindowObject(child)) view.controls.push_back(ViewOf(*control, dx, dy));
    if (top.role == Role::kFrame) {
        for (HWND child : top.children) {
            Window* button = FindWindowObject(child);
            if (button && button->role == Role::kControl) view.controls.push_back(ViewOf(*button, 0, 0));
        }
    }
    if (top.role == Role::kFileDialog) view.folder = CurrentFolder(top);
    return view;
}

// The button a press names, searched on the screen first, then on the frame.
Window* PressedButton(Window& top, Window& screen, const UserAction& action, std::string* why) {
    bool wizard = top.role == Role::kFrame;
    int id = action.id;
    if (action.button == "next" || action.button == "back" || action.button == "finish") {
        if (!wizard) {
            *why = "no wizard buttons here";
            return nullptr;
        }
        id = action.button == "next" ? kNextButton : action.button == "back" ? kBackButton : kFinishButton;
    } else if (action.button == "ok") {
        id = IDOK;
    } else if (action.button == "cancel") {
        id = IDCANCEL;
    }
    Window* button = wizard && !action.button.empty() ? nullptr : ChildById(screen, id);
    if (!button && wizard) button = ChildById(top, id);
    std::string name = action.button.empty() ? std::to_string(id) : action.button;
    if (!button || button->className != "button") *why = "no button " + name;
    else if (!button->visible) *why = "button " + name + " is hidden";
    else if (!button->enabled) *why = "button " + name + " is disabled";
    else return button;
    return nullptr;
}

// A control the user can type into or tick: present, shown and enabled.
Window* InputControl(Window& screen, int id, std::string* why) {
    Window* control = ChildById(screen, id);
    if (!control) *why = "no control " + std::to_string(id);
    else if (!control->visible) *why = "control " + std::to_string(id) + " is hidden";
    else if (!control->enabled) *why = "control " + std::to_string(id) + " is disabled";
    else return control;
    return nullptr;
}

bool ApplyAction(Window& top, Window& screen, const UserAction& action, std::string* why) {
    switch (action.kind) {
        case UserAction::kPress: {
            Window* button = PressedButton(top, screen, action, why);
            if (!button) return false;
            NoteEvent(WindowEvent::kAction, button->handle,
                      "press " + (action.button.empty() ? std::to_string(action.id) : action.button));
            ClickButton(*button);
            return true;
        }
        case UserAction::kSet: {
            Window* edit = InputControl(screen, action.id, why);
            if (!edit) return false;
            if (edit->className != "edit" || (edit->style & ES_READONLY)) {
                *why = "control " + std::to_string(action.id) + " is no edit field";
                return false;
            }
            edit->text = action.text.substr(0, FittingLength(action.text, edit->editLimit));
            NoteEvent(WindowEvent::kAction, edit->handle, "set " + std::to_string(edit->id) + " " + Quoted(edit->text));
            SendMessageA(edit->parent, WM_COMMAND, MAKEWPARAM(edit->id, EN_CHANGE), reinterpret_cast<LPARAM>(edit->handle));
            return true;
        }
        case UserAction::kCheck: {
            Window* box = InputControl(screen, action.id, why);
            if (!box) return false;
            if (!IsCheckBox(*box)) {
                *why = "control " + std::to_string(action.id) + " is no check box";
                return false;
            }
            NoteEvent(WindowEvent::kAction, box->handle,
                      "check " + std::to_string(box->id) + (action.on ? " on" : " off"));
            if ((box->check == BST_CHECKED) != action.on) {
                UINT type = box->style & BS_TYPEMASK;
                if (type == BS_AUTOCHECKBOX || type == BS_AUTO3STATE || type == BS_AUTORADIOBUTTON)
                    box->check = action.on ? BST_CHECKED : BST_UNCHECKED;
                SendMessageA(box->parent, WM_COMMAND, MAKEWPARAM(box->id, BN_CLICKED), reinterpret_cast<LPARAM>(box->handle));
            }
            return true;
        }
        case UserAction::kFolder:
            if (top.role != Role::kFileDialog) {
                *why = "no folder dialog is shown";
                return false;
            }
            return ChangeFolder(top, action.text, why);
    }
    *why = "unknown action";
    return false;
}

}  // namespace

// One loop for every modal window: posted messages first, then the shown
// line of a page or dialog that has just appeared, then due timers, and
// only then the user.
void RunModalLoop(Modal& modal) {
    long unattended = 0;
    while (!modal.ended) {
        Window* top = FindWindowObject(modal.top);
        if (!top) return;
        if (DispatchPosted()) {
            if (++unattended > kMaxUnattended)
                throw RunAborted("the program keeps posting messages without waiting for the user");
            continue;
        }
        Window* screen = ScreenWindow(*top);
        if (!screen) return;
        if (!screen->announced) {
            Announce(*screen);
            continue;
        }
        FrontEnd& frontEnd = CurrentFrontEnd();
        long long due = 0;
        bool timer = NextTimerDue(&due);
        if (timer && (frontEnd.VirtualTime() || due <= ClockNow())) {
            if (++unattended > kMaxUnattended)
                throw RunAborted("timers keep firing on " + ScreenName(*screen) + " without waiting for the user");
            FireNextTimer();
            continue;
        }
        long long wait = timer ? due - ClockNow() : -1;
        ScreenView view = BuildView(*top, *screen);
        UserAction action;
        if (!frontEnd.NextAction(view, wait > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(wait), &action)) continue;
        unattended = 0;
        std::string why;
        top = FindWindowObject(modal.top);
        screen = top ? ScreenWindow(*top) : nullptr;
        if (!screen) return;
        if (!ApplyAction(*top, *screen, action, &why)) frontEnd.ActionRefused(action, view, why);
    }
}

}  // namespace host
