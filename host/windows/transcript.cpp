// The transcript of the windows: what a page or dialog shows when it
// appears, and every later change the user could see. One UTF-8 line each:
//
//   page 100 caption="Fooのインストール" buttons=next,cancel | -1 static "注意：" | 1001 edit "C:\Foo\"
//   dialog 101 caption="Fooの削除" | 1010 static "削除しています..." | 2 button "終了" disabled
//       a page or dialog appeared; every control in template order as
//       ID CLASS "TEXT" with the flags disabled, hidden, checked,
//       indeterminate, and pos=P range=L..H for a progress bar
//   press next | press 1002 | set 1001 "C:\X\" | check 1005 on | folder "C:\WINDOWS"
//       the user's actions, in script syntax (set shows the text as kept)
//   text 1008 "..."           the program changed a control's text
//   caption "..."             ... a shown dialog's or the wizard's caption
//   show 1012 static "..."    ... showed a control (described as above)
//   hide 1003 pos=7 range=0..7  ... hid one (a progress bar's final position)
//   enable 2 | disable 2      ... enabled or disabled one
//   checked 1006 | unchecked 1006 | indeterminate 1006
//   buttons finish,cancel     the wizard's usable buttons changed
//   end wizard result=1 | end dialog 101 result=1   a modal window closed
//
// Changes to hidden controls and to windows not yet shown are left out;
// they appear in the shown line or in a later show line. Progress bar
// positions appear only in shown, show and hide lines.
#include "ui/frontend.h"
#include "windows/window.h"

namespace host {

namespace {

bool gDescriberInstalled = false;  // MessageBoxA names owners through us

// Message box owners: the page or dialog a window belongs to.
std::string DescribeForTranscript(HWND handle) {
    if (!IsWindow(handle)) return "window?";
    Window* dialog = DialogOf(*FindWindowObject(handle));
    return dialog ? ScreenName(*dialog) : "window?";
}

std::string ProgressState(const Window& bar) {
    return " pos=" + std::to_string(bar.pos) + " range=" + std::to_string(bar.low) + ".." + std::to_string(bar.high);
}

std::string ControlLine(const Window& control) {
    std::string line = std::to_string(control.id) + " " + control.className + " " + Quoted(control.text);
    if (!control.enabled) line += " disabled";
    if (!control.visible) line += " hidden";
    if (control.check == BST_CHECKED) line += " checked";
    if (control.check == BST_INDETERMINATE) line += " indeterminate";
    if (control.className == PROGRESS_CLASSA) line += ProgressState(control);
    return line;
}

// A control's changes are printed while its page or dialog is on screen.
bool ParentOnScreen(const Window& control) {
    Window* parent = IsWindow(control.parent) ? FindWindowObject(control.parent) : nullptr;
    return parent && parent->announced && parent->visible;
}

}  // namespace

void InstallDescriber() {
    if (gDescriberInstalled) return;
    SetWindowDescriber(&DescribeForTranscript);
    gDescriberInstalled = true;
}

std::string ScreenName(Window& screen) {
    switch (screen.role) {
        case Role::kPage: return "page " + std::to_string(screen.id);
        case Role::kFrame: return "wizard";
        case Role::kControl: return "control " + std::to_string(screen.id);
        default: return "dialog " + std::to_string(screen.id);
    }
}

void NoteEvent(WindowEvent::Kind kind, HWND window, const std::string& line) {
    WindowEvent event{kind, window, line};
    CurrentFrontEnd().OnWindowEvent(event);
}

void Announce(Window& screen) {
    screen.announced = true;
    std::string line;
    if (screen.role == Role::kPage) {
        Window* frame = FindWindowObject(screen.parent);
        if (!frame) return;
        frame->announced = true;
        line = ScreenName(screen) + " caption=" + Quoted(frame->text) + " buttons=" + WizardButtonNames(*frame);
    } else {
        line = ScreenName(screen) + " caption=" + Quoted(screen.text);
    }
    for (HWND child : screen.children)
        if (Window* control = FindWindowObject(child)) line += " | " + ControlLine(*control);
    NoteEvent(WindowEvent::kShown, screen.handle, line);
}

void NoteText(Window& window) {
    if (window.role == Role::kControl) {
        if (window.visible && ParentOnScreen(window))
            NoteEvent(WindowEvent::kChanged, window.handle, "text " + std::to_string(window.id) + " " + Quoted(window.text));
    } else if (window.role != Role::kPage && window.announced) {
        NoteEvent(WindowEvent::kChanged, window.handle, "caption " + Quoted(window.text));
    }
}

void NoteVisible(Window& control) {
    if (control.role != Role::kControl || !ParentOnScreen(control)) return;
    std::string line = control.visible ? "show " + ControlLine(control) : "hide " + std::to_string(control.id);
    if (!control.visible && control.className == PROGRESS_CLASSA) line += ProgressState(control);
    NoteEvent(WindowEvent::kChanged, control.handle, line);
}

void NoteEnabled(Window& control) {
    if (control.role != Role::kControl || !ParentOnScreen(control)) return;
    NoteEvent(WindowEvent::kChanged, control.handle,
              (control.enabled ? "enable " : "disable ") + std::to_string(control.id));
}

void NoteCheck(Window& control) {
    if (!ParentOnScreen(control)) return;
    const char* state = control.check == BST_CHECKED ? "checked " : control.check == BST_INDETERMINATE ? "indeterminate " : "unchecked ";
    NoteEvent(WindowEvent::kChanged, control.handle, state + std::to_string(control.id));
}

void NoteButtons(Window& frame, const std::string& before) {
    std::string after = WizardButtonNames(frame);
    Window* page = CurrentPage(frame);  // a page not yet shown lists them itself
    if (page && page->announced && after != before) NoteEvent(WindowEvent::kChanged, frame.handle, "buttons " + after);
}

}  // namespace host
