// Sent and posted messages, the one message queue, and timers.
#include <deque>

#include "core/machine.h"
#include "windows/window.h"

namespace host {

namespace {

struct Posted {
    HWND window;     // target; null for a thread message, which nothing handles
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

struct Timer {
    HWND window;        // owner, or null for a thread timer
    UINT_PTR id;        // timer id
    UINT elapse;        // ms
    TIMERPROC proc;     // called instead of the window's procedure, when set
    long long due;      // ms on ClockNow's clock
    unsigned long order;  // setting order, to break ties
};

std::deque<Posted> gQueue;        // posted messages, oldest first
std::vector<Timer> gTimers;       // live timers
unsigned long gTimerOrder = 0;    // order of the next timer set
UINT_PTR gNextThreadTimer = 1;    // id of the next thread timer
long long gVirtualNow = 0;        // the clock in virtual time

// Messages whose result is the dialog procedure's own return value.
bool ReturnsDirectly(UINT message) {
    return message == WM_INITDIALOG || (message >= 0x0132 && message <= 0x0138) /* WM_CTLCOLOR* */ ||
           message == 0x0039 /* WM_COMPAREITEM */ || message == 0x002E /* WM_VKEYTOITEM */ ||
           message == 0x002F /* WM_CHARTOITEM */ || message == 0x0037 /* WM_QUERYDRAGICON */;
}

// What the dialog manager does with what the dialog procedure leaves.
LRESULT DefaultDialogMessage(Window& dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SETTEXT:
            SetTextByProgram(dialog, lParam ? reinterpret_cast<LPCSTR>(lParam) : "");
            return TRUE;
        case WM_GETTEXT:
        case WM_GETTEXTLENGTH:
            return ControlMessage(dialog, message, wParam, lParam);
        case WM_CLOSE:
            return SendMessageA(dialog.handle, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        default:
            return 0;
    }
}

}  // namespace

LRESULT Dispatch(Window& window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window.role == Role::kControl) return ControlMessage(window, message, wParam, lParam);
    HWND handle = window.handle;
    if (window.dialogProc) {
        window.msgResult = 0;
        INT_PTR handled = window.dialogProc(handle, message, wParam, lParam);
        Window* still = FindWindowObject(handle);
        if (!still) return 0;
        if (ReturnsDirectly(message)) return handled;
        if (handled) return still->msgResult;
        return DefaultDialogMessage(*still, message, wParam, lParam);
    }
    return DefaultDialogMessage(window, message, wParam, lParam);
}

bool DispatchPosted() {
    if (gQueue.empty()) return false;
    Posted posted = gQueue.front();
    gQueue.pop_front();
    if (!posted.window || !IsWindow(posted.window)) return true;  // a thread message, or a window gone meanwhile
    Window* window = FindWindowObject(posted.window);
    if (posted.message == WM_TIMER && posted.lParam) {
        TIMERPROC proc = reinterpret_cast<TIMERPROC>(posted.lParam);
        proc(posted.window, WM_TIMER, posted.wParam, static_cast<DWORD>(ClockNow()));
        return true;
    }
    Dispatch(*window, posted.message, posted.wParam, posted.lParam);
    return true;
}

void ForgetWindow(HWND handle) {
    for (size_t i = 0; i < gQueue.size(); ++i)
        if (gQueue[i].window == handle) gQueue.erase(gQueue.begin() + i--);
    for (size_t i = 0; i < gTimers.size(); ++i)
        if (gTimers[i].window == handle) gTimers.erase(gTimers.begin() + i--);
}

long long ClockNow() {
    FrontEnd& frontEnd = CurrentFrontEnd();
    return frontEnd.VirtualTime() ? gVirtualNow : frontEnd.NowMs();
}

namespace {

Timer* EarliestTimer() {
    Timer* earliest = nullptr;
    for (Timer& timer : gTimers)
        if (!earliest || timer.due < earliest->due || (timer.due == earliest->due && timer.order < earliest->order))
            earliest = &timer;
    return earliest;
}

}  // namespace

bool NextTimerDue(long long* due) {
    Timer* timer = EarliestTimer();
    if (!timer) return false;
    *due = timer->due;
    return true;
}

void FireNextTimer() {
    Timer* timer = EarliestTimer();
    if (!timer) return;
    if (CurrentFrontEnd().VirtualTime() && timer->due > gVirtualNow) gVirtualNow = timer->due;
    timer->due = ClockNow() + timer->elapse;
    timer->order = gTimerOrder++;
    gQueue.push_back({timer->window, WM_TIMER, timer->id, reinterpret_cast<LPARAM>(timer->proc)});
}

void SetMsgResult(HWND dialog, LRESULT result) {
    if (Window* window = FindWindowObject(dialog)) window->msgResult = static_cast<LONG>(result);
}

}  // namespace host

using host::FindWindowObject;
using host::Window;

// One thread: a send is a call of the window's procedure.
LRESULT SendMessageA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* window = FindWindowObject(handle);
    if (!window) return 0;
    return host::Dispatch(*window, message, wParam, lParam);
}

BOOL PostMessageA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    if (handle && !FindWindowObject(handle)) return FALSE;
    host::gQueue.push_back({handle, message, wParam, lParam});
    return TRUE;
}

LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* window = FindWindowObject(dialog);
    Window* control = window ? host::ChildById(*window, id) : nullptr;
    if (!control) {
        if (window) host::SetError(ERROR_CONTROL_ID_NOT_FOUND);
        return 0;
    }
    return host::Dispatch(*control, message, wParam, lParam);
}

// In virtual time (scripts) a timer falls due as soon as nothing else is pending.
UINT_PTR SetTimer(HWND handle, UINT_PTR id, UINT elapse, TIMERPROC proc) {
    if (handle && !FindWindowObject(handle)) return 0;
    if (elapse < USER_TIMER_MINIMUM) elapse = USER_TIMER_MINIMUM;
    if (!handle) id = host::gNextThreadTimer++;
    for (host::Timer& timer : host::gTimers) {
        if (handle && timer.window == handle && timer.id == id) {
            timer.elapse = elapse;
            timer.proc = proc;
            timer.due = host::ClockNow() + elapse;
            timer.order = host::gTimerOrder++;
            return id ? id : 1;
        }
    }
    host::gTimers.push_back({handle, id, elapse, proc, host::ClockNow() + elapse, host::gTimerOrder++});
    return id ? id : 1;
}

BOOL KillTimer(HWND handle, UINT_PTR id) {
    for (size_t i = 0; i < host::gTimers.size(); ++i) {
        if (host::gTimers[i].window == handle && host::gTimers[i].id == id) {
            host::gTimers.erase(host::gTimers.begin() + i);
            return TRUE;
        }
    }
    return FALSE;
}
