// The terminal front end: draws the window on screen in a character grid and
// turns keys into the user's actions.
//
// The drawing and the keys are pure functions of the screen (ScreenView) and
// of what the front end remembers between keys (UiState), so that they can be
// checked without a terminal; a Console puts the grid on a real terminal
// (ncursesw) and reads its keys.
//
// Dialog units become character cells at 13 horizontal units to 4 columns and
// 8 vertical units to a row: the wizard (241 x 140 units) takes 76 x 20 cells
// with its border, the folder dialog (179 x 162) 57 x 22, and a full-width
// character (about 7 units in the dialogs' font) takes two columns.
#pragma once

#include <map>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "ui/frontend.h"

namespace host {
namespace terminal {

// How a cell is drawn; the console maps these to colours and attributes.
enum class Style : unsigned char {
    kBackdrop,  // around the window
    kShadow,    // the window's shadow
    kWindow,    // the window's face: border, texts, buttons
    kTitle,     // the caption in the top border
    kDim,       // a disabled control
    kField,     // an edit field, a drop-down list
    kFocus,     // the control with the focus
    kDefault,   // the button Enter presses
    kBarDone,   // the filled part of a progress bar
    kKeyBar,    // the line of keys at the bottom
    kKeyName,   // a key's name in that line
    kStatus,    // why the last key did nothing
};

struct Cell {
    wchar_t ch = L' ';             // 0: the right half of a double-width character
    Style style = Style::kBackdrop;
    bool mark = false;             // underlined: a mnemonic letter
};

class Grid {
  public:
    Grid(int width, int height);
    int Width() const { return width_; }
    int Height() const { return height_; }
    const Cell& At(int x, int y) const;
    // Blanks a rectangle (clipped to the grid).
    void Fill(int x, int y, int width, int height, Style style, wchar_t ch = L' ');
    void Restyle(int x, int y, int width, int height, Style style);
    // Writes one character; a double-width one takes two cells, or becomes a
    // blank when its right half would cross `limit` (exclusive) or the edge.
    // Returns the column after it.
    int Put(int x, int y, wchar_t ch, Style style, int limit, bool mark = false);
    // Writes text from (x, y), not past `limit`; '&' marks are not treated here.
    int Text(int x, int y, const std::wstring& text, Style style, int limit);
    // A row as UTF-8 (right halves left out), and `cells` columns of it from x.
    std::string Row(int y) const;
    std::string Span(int x, int y, int cells) const;

  private:
    void Blank(int x, int y);
    int width_, height_;
    std::vector<Cell> cells_;  // row by row
};

struct Drawing {
    Grid grid;
    int cursorX = -1, cursorY = -1;  // the text cursor in the focused edit field, or -1
    explicit Drawing(int width, int height) : grid(width, height) {}
};

// What the front end remembers between keys on one screen.
struct UiState {
    HWND screen = nullptr;         // the page or dialog these belong to
    bool userFocus = false;        // the user has moved the focus on it
    HWND edit = nullptr;           // the edit field the cursor is in
    std::string editText;          // its text when the cursor was placed (code page 932)
    size_t cursor = 0;             // byte offset of the cursor in editText
    size_t editLimit = 30000;      // most bytes the focused field takes by typing
    std::map<HWND, int> selected;  // the chosen line of each list box
    std::string folder;            // folder dialog: the folder the list shows
    std::string status;            // UTF-8: why the last key did nothing, shown until the next one
};

struct Key {
    enum Kind {
        kChar, kTab, kBackTab, kEnter, kEscape, kBackspace, kDelete,
        kUp, kDown, kLeft, kRight, kHome, kEnd, kPageUp, kPageDown, kOther,
    } kind = kOther;
    wchar_t ch = 0;    // kChar
    bool alt = false;  // typed with Alt (or after Esc)
    static Key Of(Kind kind) { Key key; key.kind = kind; return key; }
    static Key Char(wchar_t ch, bool alt = false) { Key key; key.kind = kChar; key.ch = ch; key.alt = alt; return key; }
};

// What a key did on the screen.
struct KeyResult {
    enum Kind {
        kIgnored,  // nothing (the status says why, when there is a reason)
        kHandled,  // the front end's own state changed: draw again
        kFocus,    // the focus moves to `focus`
        kAction,   // the user acted: `action`
    } kind = kIgnored;
    HWND focus = nullptr;
    UserAction action;
};

// Wizard frame buttons, as the window system numbers them.
constexpr int kBackButton = 12323;
constexpr int kNextButton = 12324;
constexpr int kFinishButton = 12325;

// Sets a UTF-8 character type for wcwidth when the current one is not;
// false when no UTF-8 locale exists.
bool UseUtf8Locale();
// Columns a character takes (wcwidth; 1 for what it does not know).
int CellWidth(wchar_t ch);
// Code page 932 text as wide characters, and back from UTF-8 keys.
std::wstring Wide(const std::string& cp932);
std::string Utf8Of(const std::wstring& text);
int TextWidth(const std::wstring& text);
// Lines of at most `width` columns: breaks at line ends, at blanks between
// words, else anywhere between characters.
std::vector<std::wstring> Wrap(const std::wstring& text, int width);

// Dialog units to cells.
int ColumnOf(int units);
int RowOf(int units);

// Brings the state up to date with the screen and puts into view->focus the
// control that has the focus: the window system's, when it can take input,
// else the first one that can.
void SyncState(ScreenView* view, UiState* state);
// The screen drawn into a grid of columns x rows: the window centred, the
// keys that work on the last row.
Drawing DrawScreen(const ScreenView& view, const UiState& state, int columns, int rows);
// A message box over a drawing (or over an empty backdrop); `selected` is the
// index of the highlighted button among those the box offers.
void DrawMessageBox(Drawing* drawing, const MessageBoxRequest& box, int selected);
Drawing DrawMessageBoxAlone(const MessageBoxRequest& box, int selected, int columns, int rows);
// What a key does on the screen (view->focus as SyncState left it).
KeyResult HandleKey(const ScreenView& view, UiState* state, const Key& key);
// What a key does in a message box: the button chosen, or 0 (the arrows and
// Tab move `selected`).
int MessageBoxKey(const MessageBoxRequest& box, int* selected, const Key& key);

// Where the drawing goes and the keys come from.
class Console {
  public:
    virtual ~Console() = default;
    // Takes over the terminal; throws RunAborted when it cannot.
    virtual void Open() = 0;
    // Gives the terminal back as it was; may be called more than once.
    virtual void Close() = 0;
    virtual void Size(int* columns, int* rows) = 0;
    virtual void Paint(const Drawing& drawing) = 0;
    // Waits up to waitMs (-1: no limit) for a key; false when none came.
    // Throws RunAborted when the user interrupts (Ctrl-C) or a signal ends the run.
    virtual bool ReadKey(int waitMs, Key* key) = 0;
    virtual void Beep() = 0;
    // Milliseconds on the console's clock: the time ReadKey waits in.
    virtual long long NowMs() = 0;
};

// The ncursesw console on standard input and output.
std::unique_ptr<Console> MakeCursesConsole();

}  // namespace terminal

// The terminal front end. Time is the console's: timers run while it waits for keys.
// Transcript lines go to `transcript`; with `deferred` they are kept until
// Close (so that they do not land on the drawn screen) and written then.
class TerminalFrontEnd : public FrontEnd {
  public:
    TerminalFrontEnd(terminal::Console& console, std::ostream* transcript, bool deferred);
    ~TerminalFrontEnd() override;
    // Gives the terminal back and writes the lines kept; the front end stays
    // set but no longer draws.
    void Close();
    int AnswerMessageBox(const MessageBoxRequest& box) override;
    bool NextAction(const ScreenView& screen, int waitMs, UserAction* action) override;
    void ActionRefused(const UserAction& action, const ScreenView& screen, const std::string& reason) override;
    bool VirtualTime() const override { return false; }
    long long NowMs() override { return console_.NowMs(); }
    void OnWindowEvent(const WindowEvent& event) override;

  private:
    void Open();
    void Show(const ScreenView& view);
    terminal::Console& console_;
    std::ostream* transcript_;    // where lines end up
    bool deferred_;               // lines kept until Close
    std::ostringstream kept_;     // the lines kept
    bool open_ = false;           // the console is the terminal's
    bool closed_ = false;         // Close was called
    terminal::UiState state_;     // for the screen last shown
    bool haveView_ = false;       // lastView_ holds a screen
    ScreenView lastView_;         // drawn under message boxes
};

}  // namespace host
