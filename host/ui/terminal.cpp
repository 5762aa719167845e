// The terminal front end: shows the screen the window system gives, waits
// for keys on its console's clock, and hands the user's actions back.
#include "ui/terminal.h"

#include "ui/terminal_parts.h"

namespace host {

TerminalFrontEnd::TerminalFrontEnd(terminal::Console& console, std::ostream* transcript, bool deferred)
    : console_(console), transcript_(transcript), deferred_(deferred) {
    SetTranscript(deferred ? &kept_ : transcript);
}

TerminalFrontEnd::~TerminalFrontEnd() {
    try {
        Close();
    } catch (...) {
        // A destructor gives the terminal back on every way out; nothing more to do.
    }
}

void TerminalFrontEnd::Close() {
    if (closed_) return;
    closed_ = true;
    if (open_) {
        open_ = false;
        console_.Close();
    }
    if (deferred_ && transcript_) *transcript_ << kept_.str() << std::flush;
    kept_.str("");
    SetTranscript(transcript_);
}

void TerminalFrontEnd::Open() {
    if (closed_) throw RunAborted("the terminal front end was closed while the program still runs");
    if (open_) return;
    console_.Open();
    open_ = true;
}

void TerminalFrontEnd::Show(const ScreenView& view) {
    int columns = 80, rows = 24;
    console_.Size(&columns, &rows);
    console_.Paint(terminal::DrawScreen(view, state_, columns, rows));
}

bool TerminalFrontEnd::NextAction(const ScreenView& screen, int waitMs, UserAction* action) {
    Open();
    long long deadline = waitMs >= 0 ? console_.NowMs() + waitMs : -1;
    ScreenView view = screen;
    // Follows the focus the window system has, or gives it one.
    auto settle = [&]() {
        terminal::SyncState(&view, &state_);
        if (view.focus && view.focus != GetFocus()) SetFocus(view.focus);
        LRESULT limit = state_.edit ? SendMessageA(state_.edit, EM_GETLIMITTEXT, 0, 0) : 0;
        state_.editLimit = limit > 0 ? static_cast<size_t>(limit) : 30000;  // 0: no field to ask
        lastView_ = view;
        haveView_ = true;
    };
    settle();
    for (;;) {
        Show(view);
        int wait = -1;
        if (deadline >= 0) {
            long long left = deadline - console_.NowMs();
            if (left <= 0) return false;
            wait = left > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(left);
        }
        terminal::Key key;
        if (!console_.ReadKey(wait, &key)) return false;
        terminal::KeyResult result = terminal::HandleKey(view, &state_, key);
        switch (result.kind) {
            case terminal::KeyResult::kAction:
                *action = result.action;
                return true;
            case terminal::KeyResult::kFocus:
                view.focus = result.focus;
                settle();
                break;
            case terminal::KeyResult::kHandled:
                break;
            case terminal::KeyResult::kIgnored:
                if (key.kind != terminal::Key::kOther) console_.Beep();
                break;
        }
    }
}

void TerminalFrontEnd::ActionRefused(const UserAction&, const ScreenView&, const std::string& reason) {
    // The user tries again: the reason stays on the key line until the next key.
    state_.status = u8"できません: " + reason;
    if (open_) console_.Beep();
}

void TerminalFrontEnd::OnWindowEvent(const WindowEvent& event) {
    FrontEnd::OnWindowEvent(event);
    // A box after a window closed is drawn over nothing rather than over it.
    if (event.kind == WindowEvent::kEnded) haveView_ = false;
}

int TerminalFrontEnd::AnswerMessageBox(const MessageBoxRequest& box) {
    Open();
    int selected = 0;
    for (;;) {
        int columns = 80, rows = 24;
        console_.Size(&columns, &rows);
        terminal::Drawing drawing = haveView_ ? terminal::DrawScreen(lastView_, state_, columns, rows)
                                              : terminal::DrawMessageBoxAlone(box, selected, columns, rows);
        if (haveView_) terminal::DrawMessageBox(&drawing, box, selected);
        console_.Paint(drawing);
        terminal::Key key;
        if (!console_.ReadKey(-1, &key)) continue;
        int before = selected;
        int answer = terminal::MessageBoxKey(box, &selected, key);
        if (answer) {
            TranscriptLine(MessageBoxLine(box, answer));
            return answer;
        }
        if (selected == before && key.kind != terminal::Key::kOther) console_.Beep();
    }
}

}  // namespace host
