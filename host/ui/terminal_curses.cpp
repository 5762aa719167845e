// The console of the terminal front end on a real terminal, with ncursesw:
// the grid's cells as wide characters with colours, keys as the front end's.
#define NCURSES_WIDECHAR 1
#include <curses.h>
#include <signal.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>

#include "ui/terminal.h"

namespace host {
namespace terminal {

namespace {

volatile std::sig_atomic_t gSignal = 0;  // a signal that ends the run, or 0

void OnSignal(int number) { gSignal = number; }

constexpr int kEndingSignals[] = {SIGTERM, SIGHUP, SIGINT, SIGQUIT};
constexpr int kSliceMs = 100;   // how often a wait looks at gSignal
constexpr int kAltDelayMs = 30;  // an Esc followed this soon by a key is Alt+key

long long SteadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

class CursesConsole : public Console {
  public:
    ~CursesConsole() override { Close(); }

    void Open() override {
        if (screen_) return;
        UseUtf8Locale();
        gSignal = 0;
        // Ours before ncurses looks, so that a signal ends the run through
        // the front end (which gives the terminal back) rather than exit().
        for (size_t i = 0; i < sizeof kEndingSignals / sizeof kEndingSignals[0]; ++i) {
            struct sigaction action {};
            action.sa_handler = OnSignal;
            sigemptyset(&action.sa_mask);
            sigaction(kEndingSignals[i], &action, &saved_[i]);
        }
        screen_ = newterm(nullptr, stdout, stdin);
        if (!screen_) {
            RestoreSignals();
            const char* term = getenv("TERM");
            throw RunAborted(std::string("cannot use this terminal (TERM=") + (term ? term : "") + ")");
        }
        set_term(screen_);
        raw();
        noecho();
        nonl();
        keypad(stdscr, TRUE);
        set_escdelay(25);
        curs_set(0);
        if (has_colors() && start_color() == OK) {
            use_default_colors();
            int gray = COLORS >= 16 ? 8 : COLOR_BLACK;
            dimAttr_ = COLORS >= 16 ? A_NORMAL : A_DIM;
            const struct {
                Style style;
                short fore, back;
                attr_t attr;
            } kColors[] = {
                {Style::kBackdrop, COLOR_WHITE, COLOR_BLUE, A_NORMAL},
                {Style::kShadow, COLOR_BLACK, COLOR_BLACK, A_NORMAL},
                {Style::kWindow, COLOR_BLACK, COLOR_WHITE, A_NORMAL},
                {Style::kTitle, COLOR_BLUE, COLOR_WHITE, A_BOLD},
                {Style::kDim, static_cast<short>(gray), COLOR_WHITE, dimAttr_},
                {Style::kField, COLOR_BLACK, COLOR_CYAN, A_NORMAL},
                {Style::kFocus, COLOR_WHITE, COLOR_BLUE, A_BOLD},
                {Style::kDefault, COLOR_BLACK, COLOR_WHITE, A_BOLD},
                {Style::kBarDone, COLOR_BLUE, COLOR_WHITE, A_NORMAL},
                {Style::kKeyBar, COLOR_BLACK, COLOR_WHITE, A_NORMAL},
                {Style::kKeyName, COLOR_WHITE, COLOR_BLACK, A_BOLD},
                {Style::kStatus, COLOR_WHITE, COLOR_RED, A_BOLD},
            };
            for (const auto& color : kColors) {
                short pair = static_cast<short>(static_cast<int>(color.style) + 1);
                init_pair(pair, color.fore, color.back);
                pairs_[static_cast<int>(color.style)] = pair;
                attrs_[static_cast<int>(color.style)] = color.attr;
            }
        } else {
            const attr_t kPlain[] = {A_NORMAL, A_NORMAL, A_NORMAL, A_BOLD, A_DIM, A_UNDERLINE,
                                     A_REVERSE, A_BOLD, A_NORMAL, A_REVERSE, A_BOLD, A_REVERSE | A_BOLD};
            for (int i = 0; i < kStyles; ++i) {
                pairs_[i] = 0;
                attrs_[i] = kPlain[i];
            }
        }
    }

    void Close() override {
        if (!screen_) return;
        curs_set(1);
        endwin();
        delscreen(screen_);
        screen_ = nullptr;
        RestoreSignals();
    }

    void Size(int* columns, int* rows) override {
        int height = 24, width = 80;
        if (screen_) getmaxyx(stdscr, height, width);
        *columns = width;
        *rows = height;
    }

    void Paint(const Drawing& drawing) override {
        const Grid& grid = drawing.grid;
        int rows = 0, columns = 0;
        getmaxyx(stdscr, rows, columns);
        for (int y = 0; y < grid.Height() && y < rows; ++y) {
            for (int x = 0; x < grid.Width() && x < columns; ++x) {
                const Cell& cell = grid.At(x, y);
                if (cell.ch == 0) continue;  // the right half of the character before
                int index = static_cast<int>(cell.style);
                wchar_t text[2] = {cell.ch, 0};
                cchar_t shown;
                setcchar(&shown, text, attrs_[index] | (cell.mark ? A_UNDERLINE : A_NORMAL), pairs_[index], nullptr);
                mvadd_wch(y, x, &shown);  // the last cell reports an error, but is drawn
            }
        }
        if (drawing.cursorX >= 0 && drawing.cursorX < columns && drawing.cursorY >= 0 && drawing.cursorY < rows) {
            curs_set(1);
            move(drawing.cursorY, drawing.cursorX);
        } else {
            curs_set(0);
        }
        refresh();
    }

    bool ReadKey(int waitMs, Key* key) override {
        long long deadline = waitMs >= 0 ? SteadyMs() + waitMs : -1;
        for (;;) {
            if (gSignal) throw RunAborted("ended by signal " + std::to_string(static_cast<int>(gSignal)));
            int slice = kSliceMs;
            if (deadline >= 0) {
                long long left = deadline - SteadyMs();
                if (left <= 0) return false;
                if (left < slice) slice = static_cast<int>(left);
            }
            timeout(slice);
            wint_t ch = 0;
            int got = get_wch(&ch);
            if (got == ERR) continue;
            *key = got == KEY_CODE_YES ? FunctionKey(ch) : CharacterKey(ch);
            return true;
        }
    }

    void Beep() override { beep(); }
    long long NowMs() override { return SteadyMs(); }

  private:
    static constexpr int kStyles = static_cast<int>(Style::kStatus) + 1;

    void RestoreSignals() {
        for (size_t i = 0; i < sizeof kEndingSignals / sizeof kEndingSignals[0]; ++i)
            sigaction(kEndingSignals[i], &saved_[i], nullptr);
    }

    static Key FunctionKey(wint_t code) {
        switch (code) {
            case KEY_BTAB: return Key::Of(Key::kBackTab);
            case KEY_ENTER: return Key::Of(Key::kEnter);
            case KEY_BACKSPACE: return Key::Of(Key::kBackspace);
            case KEY_DC: return Key::Of(Key::kDelete);
            case KEY_UP: return Key::Of(Key::kUp);
            case KEY_DOWN: return Key::Of(Key::kDown);
            case KEY_LEFT: return Key::Of(Key::kLeft);
            case KEY_RIGHT: return Key::Of(Key::kRight);
            case KEY_HOME: return Key::Of(Key::kHome);
            case KEY_END: return Key::Of(Key::kEnd);
            case KEY_PPAGE: return Key::Of(Key::kPageUp);
            case KEY_NPAGE: return Key::Of(Key::kPageDown);
            default: return Key::Of(Key::kOther);  // KEY_RESIZE among them: drawn again
        }
    }

    static Key CharacterKey(wint_t ch) {
        switch (ch) {
            case 3: throw RunAborted("interrupted (Ctrl-C)");
            case 8:
            case 127: return Key::Of(Key::kBackspace);
            case 9: return Key::Of(Key::kTab);
            case 10:
            case 13: return Key::Of(Key::kEnter);
            case 27: {
                // Esc alone, or Alt+key as the terminal sends it (Esc, then the key).
                timeout(kAltDelayMs);
                wint_t next = 0;
                int got = get_wch(&next);
                if (got == OK && next >= 0x20 && next != 0x7F) return Key::Char(static_cast<wchar_t>(next), true);
                if (got != ERR) return got == KEY_CODE_YES ? FunctionKey(next) : Key::Of(Key::kOther);
                return Key::Of(Key::kEscape);
            }
            default:
                if (ch < 0x20 || ch == 0x7F) return Key::Of(Key::kOther);
                return Key::Char(static_cast<wchar_t>(ch));
        }
    }

    SCREEN* screen_ = nullptr;
    struct sigaction saved_[sizeof kEndingSignals / sizeof kEndingSignals[0]] {};
    short pairs_[kStyles] = {};
    attr_t attrs_[kStyles] = {};
    attr_t dimAttr_ = A_DIM;
};

}  // namespace

std::unique_ptr<Console> MakeCursesConsole() { return std::unique_ptr<Console>(new CursesConsole()); }

}  // namespace terminal
}  // namespace host
