// The terminal front end without a terminal: the program's real dialogs
// drawn into a character grid, what keys do on them, and whole runs through
// a console that plays keys and keeps what was painted.
#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "platform.h"
#include "resources/resource_ids.h"
#include "support/machine_fixture.h"
#include "ui/terminal.h"

namespace {

using host::ControlView;
using host::ScreenView;
using host::UserAction;
using host::terminal::Drawing;
using host::terminal::Grid;
using host::terminal::Key;
using host::terminal::KeyResult;
using host::terminal::Style;
using host::terminal::UiState;

// How the test pages behave.
struct PageLog {
    HWND frame = nullptr;
    bool runWithTimer = false;  // the progress page waits for a timer before Finish
    int barPos = 0;             // the progress page's bar, of 0..100
    size_t limit = 0;           // the destination field's limit, when not 0
};
PageLog gLog;

constexpr UINT_PTR kRunTimer = 1;
constexpr UINT kRunTimerMs = 200;

void PostButtons(LPARAM buttons) { PostMessageA(gLog.frame, PSM_SETWIZBUTTONS, 0, buttons); }

// The three wizard pages, set up as the setup program sets them up.
INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    int id = GetWindowLongA(page, DWL_USER);
    switch (message) {
        case WM_INITDIALOG:
            id = static_cast<int>(reinterpret_cast<const PROPSHEETPAGEA*>(lParam)->lParam);
            SetWindowLongA(page, DWL_USER, id);
            gLog.frame = GetParent(page);
            if (id == IDD_DESTINATION) {
                SetDlgItemTextA(page, IDC_INSTRUCTION, "Fooのインストール先を指定してください");
                SetDlgItemTextA(page, IDC_DESTINATION, "C:\\Program Files\\Foo\\");
                if (gLog.limit) SendDlgItemMessageA(page, IDC_DESTINATION, EM_LIMITTEXT, gLog.limit, 0);
            }
            if (id == IDD_OPTIONS) CheckDlgButton(page, IDC_START_MENU, BST_CHECKED);
            if (id == IDD_PROGRESS) SendDlgItemMessageA(page, IDC_PROGRESS, PBM_SETPOS, gLog.barPos, 0);
            return TRUE;
        case WM_NOTIFY:
            if (reinterpret_cast<const NMHDR*>(lParam)->code != PSN_SETACTIVE) return FALSE;
            if (id == IDD_DESTINATION) PostButtons(PSWIZB_NEXT);
            if (id == IDD_OPTIONS) PostButtons(PSWIZB_BACK | PSWIZB_NEXT);
            if (id == IDD_PROGRESS && gLog.runWithTimer) {
                PostButtons(0);
                SetTimer(page, kRunTimer, kRunTimerMs, nullptr);
            } else if (id == IDD_PROGRESS) {
                PostButtons(PSWIZB_BACK | PSWIZB_FINISH);
            }
            return FALSE;
        case WM_TIMER:
            KillTimer(page, wParam);
            SetDlgItemTextA(page, IDC_STATUS, "インストールが完了しました。");
            PostButtons(PSWIZB_FINISH);
            return TRUE;
        default:
            return FALSE;
    }
}

INT_PTR RunWizard() {
    static const int kPages[] = {IDD_DESTINATION, IDD_OPTIONS, IDD_PROGRESS};
    PROPSHEETPAGEA pages[3];
    for (int i = 0; i < 3; ++i) {
        memset(&pages[i], 0, sizeof pages[i]);
        pages[i].dwSize = 48;
        pages[i].pszTemplate = MAKEINTRESOURCE(kPages[i]);
        pages[i].pfnDlgProc = PageProc;
        pages[i].lParam = kPages[i];
    }
    PROPSHEETHEADERA header;
    memset(&header, 0, sizeof header);
    header.dwSize = 52;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_WIZARD | PSH_NOAPPLYNOW;
    header.pszCaption = "Fooのインストール";
    header.nPages = 3;
    header.ppsp = pages;
    return PropertySheetA(&header);
}

INT_PTR CALLBACK RemovalProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        SetWindowTextA(dialog, "Fooの削除");
        EnableWindow(GetDlgItem(dialog, IDCANCEL), TRUE);
        return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, 1);
        return TRUE;
    }
    return FALSE;
}

// The folder picker as the destination page opens it; the chosen folder, or "".
std::string BrowseFrom(const char* initial) {
    char file[MAX_PATH] = "dummy";
    OPENFILENAMEA record;
    memset(&record, 0, sizeof record);
    record.lStructSize = 76;
    record.lpstrFile = file;
    record.nMaxFile = sizeof file;
    record.lpstrInitialDir = initial;
    record.Flags = OFN_ENABLETEMPLATE | OFN_NOCHANGEDIR;
    record.lpTemplateName = MAKEINTRESOURCE(IDD_BROWSE);
    if (!GetSaveFileNameA(&record)) return "";
    file[record.nFileOffset] = 0;
    return file;
}

// The script front end, keeping every screen it is asked to act on.
class RecordingScript : public host::ScriptFrontEnd {
  public:
    std::vector<ScreenView> views;
    bool NextAction(const ScreenView& screen, int waitMs, UserAction* action) override {
        views.push_back(screen);
        return ScriptFrontEnd::NextAction(screen, waitMs, action);
    }
};

// A console that plays keys and keeps the rows it was last painted with.
// Key kOther with ch 'T' stands for no key coming before the wait is over:
// its clock moves on by the whole wait, and it does not move otherwise.
class FakeConsole : public host::terminal::Console {
  public:
    std::vector<Key> keys;
    size_t next = 0;
    std::vector<std::vector<std::string>> screens;  // every painting, row by row
    std::vector<int> waits;                         // what ReadKey was given
    int opens = 0, closes = 0, beeps = 0;
    bool open = false;
    long long now = 0;  // the console's clock, ms

    void Open() override {
        ++opens;
        open = true;
    }
    void Close() override {
        if (open) ++closes;
        open = false;
    }
    void Size(int* columns, int* rows) override {
        *columns = 80;
        *rows = 24;
    }
    void Paint(const Drawing& drawing) override {
        std::vector<std::string> rows;
        for (int y = 0; y < drawing.grid.Height(); ++y) rows.push_back(drawing.grid.Row(y));
        screens.push_back(rows);
    }
    bool ReadKey(int waitMs, Key* key) override {
        waits.push_back(waitMs);
        if (next >= keys.size()) throw host::RunAborted("the test ran out of keys");
        Key given = keys[next++];
        if (given.kind == Key::kOther && given.ch == L'T') {
            if (waitMs < 0) throw host::RunAborted("a timeout was played where nothing waits for time");
            now += waitMs;
            return false;
        }
        *key = given;
        return true;
    }
    void Beep() override { ++beeps; }
    long long NowMs() override { return now; }
    // The last painting as one text.
    std::string LastScreen() const {
        std::string text;
        if (!screens.empty())
            for (const std::string& row : screens.back()) text += row + "\n";
        return text;
    }
};

Key Timeout() {
    Key key;
    key.ch = L'T';
    return key;
}
Key K(Key::Kind kind) { return Key::Of(kind); }
Key C(wchar_t ch, bool alt = false) { return Key::Char(ch, alt); }

// The first row whose text holds `utf8`, or -1.
int RowWith(const Grid& grid, const std::string& utf8) {
    for (int y = 0; y < grid.Height(); ++y)
        if (grid.Row(y).find(utf8) != std::string::npos) return y;
    return -1;
}

// The column where `utf8` starts on row y, or -1.
int ColumnWith(const Grid& grid, int y, const std::string& utf8) {
    for (int x = 0; x < grid.Width(); ++x)
        if (grid.At(x, y).ch && grid.Span(x, y, grid.Width() - x).compare(0, utf8.size(), utf8) == 0) return x;
    return -1;
}

const ControlView* ControlById(const ScreenView& view, int id) {
    for (const ControlView& control : view.controls)
        if (control.id == id) return &control;
    return nullptr;
}

class TerminalTest : public MachineTest {
  protected:
    void SetUp() override {
        MachineTest::SetUp();
        gLog = PageLog();
        const char* locale = setlocale(LC_CTYPE, nullptr);
        savedLocale_ = locale ? locale : "C";
        ASSERT_TRUE(host::terminal::UseUtf8Locale());
        host::SetFrontEnd(&recorder_);
    }
    void TearDown() override {
        setlocale(LC_CTYPE, savedLocale_.c_str());
        MachineTest::TearDown();
    }

    // The screens of a wizard walked by a script.
    std::vector<ScreenView> WizardViews(const std::string& script) {
        recorder_.LoadText(script);
        recorder_.views.clear();
        RunWizard();
        return recorder_.views;
    }
    ScreenView FolderView(const char* initial) {
        recorder_.LoadText("press cancel\n");
        recorder_.views.clear();
        BrowseFrom(initial);
        EXPECT_EQ(recorder_.views.size(), 1u);
        return recorder_.views.empty() ? ScreenView() : recorder_.views[0];
    }
    ScreenView RemovalView() {
        recorder_.LoadText("press cancel\n");
        recorder_.views.clear();
        DialogBoxParamA(nullptr, MAKEINTRESOURCE(IDD_REMOVAL), nullptr, RemovalProc, 0);
        EXPECT_EQ(recorder_.views.size(), 1u);
        return recorder_.views.empty() ? ScreenView() : recorder_.views[0];
    }
    // A screen drawn as a fresh front end draws it, with its state.
    Drawing Draw(ScreenView* view, UiState* state) {
        host::terminal::SyncState(view, state);
        return host::terminal::DrawScreen(*view, *state, 80, 24);
    }

    RecordingScript recorder_;
    std::string savedLocale_;
};

// ---- the grid ----

TEST_F(TerminalTest, GridKeepsDoubleWidthCharactersWhole) {
    Grid grid(6, 1);
    EXPECT_EQ(grid.Text(0, 0, L"表計", Style::kWindow, 6), 4);
    EXPECT_EQ(grid.At(1, 0).ch, 0) << "the right half of 表";
    EXPECT_EQ(grid.Row(0), u8"表計  ");
    grid.Put(3, 0, L'x', Style::kWindow, 6);  // over the right half of 計
    EXPECT_EQ(grid.Row(0), u8"表 x  ");
    grid.Put(0, 0, L'y', Style::kWindow, 6);  // over the left half of 表
    EXPECT_EQ(grid.Row(0), u8"y  x  ");
    // A double-width character that would cross the limit becomes a blank.
    EXPECT_EQ(grid.Text(4, 0, L"ab", Style::kWindow, 6), 6);
    EXPECT_EQ(grid.Text(5, 0, L"表", Style::kWindow, 6), 6);
    EXPECT_EQ(grid.Row(0), u8"y  xa ");
    EXPECT_EQ(grid.Text(4, 0, L"ｷｬ", Style::kWindow, 6), 6) << "half-width katakana take one cell";
}

TEST_F(TerminalTest, WrapBreaksAtWordsAndKeepsClosingMarksOffTheLineStart) {
    const struct {
        const wchar_t* text;
        int width;
        std::vector<std::wstring> lines;
    } kCases[] = {
        {L"hello big world", 9, {L"hello big", L"world"}},
        {L"あいうえおか", 6, {L"あいう", L"えおか"}},
        {L"あいう。えお", 6, {L"あい", L"う。え", L"お"}},  // 。 does not start a line
        {L"アプリケーション", 8, {L"アプリ", L"ケーショ", L"ン"}},
        {L"一行目\r\n二行目\n", 20, {L"一行目", L"二行目"}},
        {L"C:\\Program Files\\Foo", 12, {L"C:\\Program", L"Files\\Foo"}},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(host::terminal::Wrap(c.text, c.width), c.lines) << host::terminal::Utf8Of(c.text);
}

// ---- drawing the program's dialogs ----

TEST_F(TerminalTest, DestinationPageDrawsEachControlInItsPlace) {
    std::vector<ScreenView> views = WizardViews("press cancel\n");
    ASSERT_EQ(views.size(), 1u);
    UiState state;
    Drawing drawing = Draw(&views[0], &state);
    const Grid& grid = drawing.grid;

    int top = RowWith(grid, u8"┌─ Fooのインストール ─");
    ASSERT_GE(top, 0) << "the caption in the top border";
    int instruction = RowWith(grid, u8"Fooのインストール先を指定してください");
    int edit = RowWith(grid, u8"[C:\\Program Files\\Foo\\");
    ASSERT_GT(instruction, top);
    ASSERT_GT(edit, instruction);
    EXPECT_EQ(RowWith(grid, u8"[ 参照(B)... ]"), edit) << "the field and its button on one row";
    int browse = ColumnWith(grid, edit, u8"[ 参照(B)... ]");
    EXPECT_TRUE(grid.At(browse + 7, edit).mark) << "B is the button's mnemonic";
    EXPECT_GT(browse, ColumnWith(grid, edit, u8"]")) << "the field ends before the button";

    // Full-width characters take two cells each: the field's cursor comes
    // after the 21 narrow characters of the text.
    int field = ColumnWith(grid, edit, u8"[C:\\");
    EXPECT_EQ(drawing.cursorX, field + 1 + 21);
    EXPECT_EQ(drawing.cursorY, edit);
    EXPECT_EQ(grid.At(field + 1, edit).style, Style::kFocus) << "the field has the focus";
    int foo = ColumnWith(grid, instruction, u8"Foo");
    EXPECT_EQ(ColumnWith(grid, instruction, u8"のインストール"), foo + 3);
    EXPECT_EQ(grid.At(foo + 4, instruction).ch, 0);
    EXPECT_EQ(ColumnWith(grid, instruction, u8"インストール"), foo + 5);

    // The note: its label and its two lines side by side, not overlapping.
    int note = RowWith(grid, u8"注意：");
    ASSERT_GT(note, edit);
    int label = ColumnWith(grid, note, u8"注意：");
    int text = ColumnWith(grid, note, u8"古いバージョンが");
    EXPECT_GE(text, label + 6);
    EXPECT_EQ(ColumnWith(grid, note + 1, u8"させてから「次へ」を押してください。"), text);

    // The wizard's buttons under a line; Back disabled, Finish not shown.
    int buttons = RowWith(grid, u8"[ 次へ(N) > ]");
    ASSERT_GT(buttons, note);
    EXPECT_EQ(grid.Row(buttons - 1).find(u8"├──"), 2u);
    int back = ColumnWith(grid, buttons, u8"[ < 戻る(B) ]");
    ASSERT_GE(back, 0);
    EXPECT_EQ(grid.At(back + 2, buttons).style, Style::kDim);
    EXPECT_EQ(grid.At(ColumnWith(grid, buttons, u8"[ 次へ"), buttons).style, Style::kDefault);
    EXPECT_GT(ColumnWith(grid, buttons, u8"[ キャンセル ]"), ColumnWith(grid, buttons, u8"[ 次へ(N) > ]"));
    EXPECT_EQ(RowWith(grid, u8"完了"), -1);

    // The keys that work, with Alt for letters while typing in the field.
    std::string keys = grid.Row(23);
    for (const char* expected : {u8" Tab ", u8" Enter  次へ", u8" Alt+B  参照", u8" Alt+N  次へ", u8" Esc  キャンセル"})
        EXPECT_NE(keys.find(expected), std::string::npos) << expected << " in " << keys;
    EXPECT_EQ(keys.find(u8"戻る"), std::string::npos) << "Back cannot be pressed";
}

TEST_F(TerminalTest, ALongFieldScrollsToKeepTheCursorInSight) {
    std::vector<ScreenView> views = WizardViews("press cancel\n");
    ASSERT_EQ(views.size(), 1u);
    ScreenView view = views[0];
    std::string text = "C:\\";
    for (int i = 0; i < 20; ++i) text += "長い名前\\";  // 102 cells
    for (ControlView& control : view.controls)
        if (control.id == IDC_DESTINATION) control.text = text;
    UiState state;
    Drawing drawing = Draw(&view, &state);
    const Grid& grid = drawing.grid;
    int row = drawing.cursorY;
    ASSERT_GE(row, 0);
    int open = ColumnWith(grid, row, u8"[");
    int close = ColumnWith(grid, row, u8"]");
    EXPECT_GT(drawing.cursorX, open);
    EXPECT_LT(drawing.cursorX, close) << "the cursor inside the field";
    EXPECT_EQ(grid.Span(drawing.cursorX - 9, row, 9), u8"長い名前\\") << grid.Row(row);
    EXPECT_EQ(ColumnWith(grid, row, u8"C:\\"), -1) << "the start scrolled out";

    // Home brings the start back.
    host::terminal::HandleKey(view, &state, K(Key::kHome));
    drawing = host::terminal::DrawScreen(view, state, 80, 24);
    EXPECT_EQ(drawing.cursorX, open + 1);
    EXPECT_EQ(ColumnWith(drawing.grid, row, u8"[C:\\長い名前"), open);
}

TEST_F(TerminalTest, OptionsPageShowsCheckMarksAndTheKeyThatTicks) {
    std::vector<ScreenView> views = WizardViews("press next\npress cancel\n");
    ASSERT_EQ(views.size(), 2u);
    UiState state;
    Drawing drawing = Draw(&views[1], &state);
    const Grid& grid = drawing.grid;
    int startMenu = RowWith(grid, u8"[x] スタートメニューに登録する");
    int desktop = RowWith(grid, u8"[ ] デスクトップにショットカットを作成する");
    ASSERT_GE(startMenu, 0);
    ASSERT_GT(desktop, startMenu) << "the longer label runs past its box rather than being cut";
    EXPECT_EQ(ColumnWith(grid, startMenu, u8"[x]"), ColumnWith(grid, desktop, u8"[ ]"));
    EXPECT_EQ(grid.At(ColumnWith(grid, startMenu, u8"[x]"), startMenu).style, Style::kFocus);
    EXPECT_EQ(drawing.cursorX, -1) << "no text cursor outside edit fields";
    EXPECT_NE(grid.Row(23).find(u8" Space  切替"), std::string::npos) << grid.Row(23);
    EXPECT_NE(grid.Row(23).find(u8" B  戻る"), std::string::npos) << "letters without Alt here: " << grid.Row(23);
}

TEST_F(TerminalTest, ProgressPageShowsTheBarAndLeavesHiddenTextOut) {
    gLog.barPos = 50;
    std::vector<ScreenView> views = WizardViews("press next\npress next\npress cancel\n");
    ASSERT_EQ(views.size(), 3u);
    ScreenView& view = views[2];
    UiState state;
    Drawing drawing = Draw(&view, &state);
    int bar = RowWith(drawing.grid, u8"50%");
    ASSERT_GE(bar, 0);
    std::string row = drawing.grid.Row(bar);
    size_t done = 0, left = 0;
    for (size_t at = 0; (at = row.find(u8"█", at)) != std::string::npos; at += 3) ++done;
    for (size_t at = 0; (at = row.find(u8"░", at)) != std::string::npos; at += 3) ++left;
    EXPECT_GT(done, 20u);
    EXPECT_TRUE(done == left || done + 1 == left) << done << " of " << done + left;
    EXPECT_EQ(RowWith(drawing.grid, u8"このソフトを削除"), -1) << "the hint is hidden";

    // Shown, the hint wraps in its box without starting a line with "ー".
    for (ControlView& control : view.controls)
        if (control.id == IDC_REMOVAL_HINT) control.visible = true;
    drawing = host::terminal::DrawScreen(view, state, 80, 24);
    int hint = RowWith(drawing.grid, u8"このソフトを削除するには");
    ASSERT_GT(hint, bar);
    std::string second = drawing.grid.Row(hint + 1);
    size_t start = second.find_first_not_of(u8" │");
    ASSERT_NE(start, std::string::npos);
    EXPECT_NE(second.compare(start, 3, u8"ー"), 0) << second;
    EXPECT_NE(second.find(u8"使ってください。"), std::string::npos) << second;
}

TEST_F(TerminalTest, FolderDialogListsSubfoldersUnderAParentLine) {
    ScreenView view = FolderView("C:\\WINDOWS");
    ASSERT_EQ(view.kind, host::ScreenKind::kFolderDialog);
    EXPECT_EQ(view.folder, "C:\\WINDOWS");
    UiState state;
    Drawing drawing = Draw(&view, &state);
    const Grid& grid = drawing.grid;
    int path = RowWith(grid, u8"C:\\WINDOWS");
    ASSERT_GE(path, 0);
    EXPECT_EQ(path, RowWith(grid, u8"[ OK ]"));
    int parent = RowWith(grid, u8" .. ");
    ASSERT_GT(parent, path);
    int column = ColumnWith(grid, parent, u8"..");
    EXPECT_EQ(grid.At(column, parent).style, Style::kFocus) << "the list has the focus on its first line";
    EXPECT_GT(RowWith(grid, u8"SYSTEM"), parent);
    int cancel = RowWith(grid, u8"[ ｷｬﾝｾﾙ ]");
    ASSERT_GT(cancel, path);
    EXPECT_EQ(grid.Span(ColumnWith(grid, cancel, u8"[ ｷｬﾝｾﾙ ]"), cancel, 9), u8"[ ｷｬﾝｾﾙ ]");
    EXPECT_GE(RowWith(grid, u8"[C:"), 0) << "the drive list";
    EXPECT_EQ(RowWith(grid, u8"ﾍﾙﾌﾟ"), -1) << "hidden controls are not drawn";
    EXPECT_EQ(RowWith(grid, u8"ファイル名"), -1);
}

TEST_F(TerminalTest, EveryDialogFitsAnEightyByTwentyFourTerminal) {
    std::vector<ScreenView> views = WizardViews("press next\npress next\npress cancel\n");
    views.push_back(FolderView("C:\\WINDOWS"));
    views.push_back(RemovalView());
    ASSERT_EQ(views.size(), 5u);
    for (ScreenView& view : views) {
        UiState state;
        Drawing drawing = Draw(&view, &state);
        const Grid& grid = drawing.grid;
        int top = RowWith(grid, u8"┌");
        int bottom = RowWith(grid, u8"└");
        ASSERT_GE(top, 0) << view.name;
        ASSERT_GT(bottom, top) << view.name;
        EXPECT_LT(bottom, 23) << view.name << " leaves the last row for the keys";
        int left = ColumnWith(grid, top, u8"┌");
        int right = ColumnWith(grid, bottom, u8"┘");
        ASSERT_GT(right, left);
        for (int y = top + 1; y < bottom; ++y) {
            // No text runs over the border.
            std::string leftEdge = grid.Span(left, y, 1), rightEdge = grid.Span(right, y, 1);
            EXPECT_TRUE(leftEdge == u8"│" || leftEdge == u8"├") << view.name << " row " << y << ": " << grid.Row(y);
            EXPECT_TRUE(rightEdge == u8"│" || rightEdge == u8"┤") << view.name << " row " << y << ": " << grid.Row(y);
        }
    }
    UiState state;
    Drawing removal = Draw(&views[4], &state);
    int close = RowWith(removal.grid, u8"[ 終了 ]");
    ASSERT_GE(close, 0);
    EXPECT_EQ(removal.grid.At(ColumnWith(removal.grid, close, u8"[ 終了 ]"), close).style, Style::kFocus);
    EXPECT_GE(RowWith(removal.grid, u8"Fooの削除"), 0);
}

TEST_F(TerminalTest, MessageBoxWrapsItsTextAndShowsEachButtonsKey) {
    host::MessageBoxRequest box{nullptr,
                                "インストール先のフォルダにはすでに古いバージョンがあります。上書きしてよろしいですか？"
                                "上書きしない場合は別のフォルダを選んでください。",
                                "Fooのインストール", MB_YESNOCANCEL | MB_ICONQUESTION};
    Drawing drawing = host::terminal::DrawMessageBoxAlone(box, 1, 80, 24);
    const Grid& grid = drawing.grid;
    int top = RowWith(grid, u8"┌─ Fooのインストール ─");
    int bottom = RowWith(grid, u8"└");
    ASSERT_GE(top, 0);
    int left = ColumnWith(grid, top, u8"┌"), right = ColumnWith(grid, bottom, u8"┘");
    int first = RowWith(grid, u8"[?] インストール先の");
    ASSERT_GT(first, top);
    std::string all;
    for (int y = 0; y < grid.Height(); ++y) all += grid.Row(y) + "\n";
    EXPECT_EQ(RowWith(grid, u8"んでください。"), first + 2) << "wrapped onto more lines:\n" << all;
    for (int y = top + 1; y < bottom; ++y) {
        EXPECT_EQ(grid.Span(left, y, 1), u8"│") << grid.Row(y);
        EXPECT_EQ(grid.Span(right, y, 1), u8"│") << grid.Row(y);
    }
    int buttons = RowWith(grid, u8"[ はい(Y) ]  [ いいえ(N) ]  [ キャンセル ]");
    ASSERT_GT(buttons, first);
    EXPECT_EQ(grid.At(ColumnWith(grid, buttons, u8"[ いいえ"), buttons).style, Style::kFocus) << "the button selected";
    std::string keys = grid.Row(23);
    for (const char* expected : {u8" Enter  いいえ", u8" Y  はい", u8" N  いいえ", u8" C  キャンセル", u8" Esc  キャンセル"})
        EXPECT_NE(keys.find(expected), std::string::npos) << expected << " in " << keys;
}

// ---- keys ----

struct KeyCase {
    const char* name;
    int page;               // index of the wizard screen: 0 destination, 1 options, 2 progress
    std::vector<Key> keys;  // the last one's result is checked
    KeyResult::Kind kind;
    std::string button;     // kAction kPress: the name, or "" with id
    int id;                 // the control pressed, set, checked, or focused
    std::string text;       // kSet: the whole text (code page 932)
    bool on;                // kCheck
    size_t limit;           // the field's limit, or 0 for the default
};

TEST_F(TerminalTest, KeysOnTheWizardPages) {
    const std::string kField = "C:\\Program Files\\Foo\\";
    const KeyCase kCases[] = {
        {"Enter in the field presses Next", 0, {K(Key::kEnter)}, KeyResult::kAction, "next", 0, "", false, 0},
        {"Alt+N presses Next", 0, {C(L'n', true)}, KeyResult::kAction, "next", 0, "", false, 0},
        {"a letter in the field is typed", 0, {C(L'n')}, KeyResult::kAction, "", IDC_DESTINATION, kField + "n", false, 0},
        {"Japanese is typed as code page 932", 0, {C(L'表')}, KeyResult::kAction, "", IDC_DESTINATION, kField + "表", false, 0},
        {"Backspace takes the last character", 0, {K(Key::kBackspace)}, KeyResult::kAction, "", IDC_DESTINATION,
         "C:\\Program Files\\Foo", false, 0},
        {"typing after Left goes before the cursor", 0, {K(Key::kLeft), C(L'x')}, KeyResult::kAction, "",
         IDC_DESTINATION, "C:\\Program Files\\Foox\\", false, 0},
        {"Home, Delete takes the first character", 0, {K(Key::kHome), K(Key::kDelete)}, KeyResult::kAction, "",
         IDC_DESTINATION, ":\\Program Files\\Foo\\", false, 0},
        {"a full field takes no more", 0, {C(L'x')}, KeyResult::kIgnored, "", 0, "", false, kField.size()},
        {"a character without a code page 932 form is refused", 0, {C(L'\x00E9')}, KeyResult::kIgnored, "", 0, "",
         false, 0},
        {"Alt+B presses Browse", 0, {C(L'b', true)}, KeyResult::kAction, "", IDC_BROWSE, "", false, 0},
        {"Tab moves to Browse", 0, {K(Key::kTab)}, KeyResult::kFocus, "", IDC_BROWSE, "", false, 0},
        {"Shift-Tab goes round to Cancel", 0, {K(Key::kBackTab)}, KeyResult::kFocus, "", IDCANCEL, "", false, 0},
        {"Esc presses Cancel", 0, {K(Key::kEscape)}, KeyResult::kAction, "cancel", 0, "", false, 0},
        {"Alt+F: there is no Finish yet", 0, {C(L'f', true)}, KeyResult::kIgnored, "", 0, "", false, 0},
        {"Space unticks the ticked box", 1, {C(L' ')}, KeyResult::kAction, "", IDC_START_MENU, "", false, 0},
        {"Down, Space ticks the other", 1, {K(Key::kDown), C(L' ')}, KeyResult::kAction, "", IDC_DESKTOP, "", true, 0},
        {"Enter on a check box presses Next", 1, {K(Key::kEnter)}, KeyResult::kAction, "next", 0, "", false, 0},
        {"B presses Back", 1, {C(L'b')}, KeyResult::kAction, "back", 0, "", false, 0},
        {"Enter on the last page is Finish", 2, {K(Key::kEnter)}, KeyResult::kAction, "finish", 0, "", false, 0},
        {"F presses Finish", 2, {C(L'F')}, KeyResult::kAction, "finish", 0, "", false, 0},
        {"Tab, Enter on Cancel presses Cancel", 2, {K(Key::kTab), K(Key::kEnter)}, KeyResult::kAction, "cancel", 0,
         "", false, 0},
    };
    std::vector<ScreenView> views = WizardViews("press next\npress next\npress cancel\n");
    ASSERT_EQ(views.size(), 3u);
    for (const KeyCase& c : kCases) {
        ScreenView view = views[c.page];
        UiState state;
        host::terminal::SyncState(&view, &state);
        if (c.limit) state.editLimit = c.limit;
        KeyResult result;
        for (const Key& key : c.keys) {
            result = host::terminal::HandleKey(view, &state, key);
            if (result.kind == KeyResult::kFocus) {
                view.focus = result.focus;
                host::terminal::SyncState(&view, &state);
            }
        }
        ASSERT_EQ(result.kind, c.kind) << c.name;
        if (c.kind == KeyResult::kIgnored) {
            EXPECT_FALSE(state.status.empty()) << c.name << ": says why";
        }
        if (c.kind == KeyResult::kFocus) {
            const ControlView* focus = ControlById(view, c.id);
            ASSERT_NE(focus, nullptr) << c.name;
            EXPECT_EQ(result.focus, focus->window) << c.name;
        }
        if (c.kind != KeyResult::kAction) continue;
        const UserAction& action = result.action;
        if (!c.text.empty()) {
            EXPECT_EQ(action.kind, UserAction::kSet) << c.name;
            EXPECT_EQ(action.id, c.id) << c.name;
            EXPECT_EQ(action.text, c.text) << c.name;
        } else if (c.id == IDC_START_MENU || c.id == IDC_DESKTOP) {
            EXPECT_EQ(action.kind, UserAction::kCheck) << c.name;
            EXPECT_EQ(action.id, c.id) << c.name;
            EXPECT_EQ(action.on, c.on) << c.name;
        } else {
            EXPECT_EQ(action.kind, UserAction::kPress) << c.name;
            EXPECT_EQ(action.button, c.button) << c.name;
            if (c.button.empty()) {
                EXPECT_EQ(action.id, c.id) << c.name;
            }
        }
    }
}

TEST_F(TerminalTest, BackspaceTakesADoubleByteCharacterWhoseSecondByteIsABackslash) {
    std::vector<ScreenView> views = WizardViews("press cancel\n");
    ASSERT_EQ(views.size(), 1u);
    ScreenView view = views[0];
    for (ControlView& control : view.controls)
        if (control.id == IDC_DESTINATION) control.text = "C:\\表";  // 表 is 0x95 0x5C
    UiState state;
    host::terminal::SyncState(&view, &state);
    KeyResult result = host::terminal::HandleKey(view, &state, K(Key::kBackspace));
    ASSERT_EQ(result.kind, KeyResult::kAction);
    EXPECT_EQ(result.action.text, "C:\\");
    for (ControlView& control : view.controls)
        if (control.id == IDC_DESTINATION) control.text = result.action.text;
    result = host::terminal::HandleKey(view, &state, K(Key::kLeft));
    EXPECT_EQ(result.kind, KeyResult::kHandled);
    EXPECT_EQ(state.cursor, 2u);
}

TEST_F(TerminalTest, KeysInTheFolderDialog) {
    MountDrive('D');
    const struct {
        const char* name;
        const char* folder;
        std::vector<Key> keys;
        UserAction::Kind kind;
        std::string result;  // the folder, or the button pressed
    } kCases[] = {
        {"Enter on .. opens the parent", "C:\\WINDOWS", {K(Key::kEnter)}, UserAction::kFolder, "C:\\"},
        {"Backspace opens the parent", "C:\\WINDOWS\\SYSTEM", {K(Key::kBackspace)}, UserAction::kFolder, "C:\\WINDOWS"},
        {"at the root the first line is a subfolder", "C:\\", {K(Key::kEnter)}, UserAction::kFolder, "C:\\Program Files"},
        {"Down, Enter opens the next line", "C:\\", {K(Key::kDown), K(Key::kEnter)}, UserAction::kFolder, "C:\\WINDOWS"},
        {"Tab, Down on the drives changes drive", "C:\\", {K(Key::kTab), K(Key::kDown)}, UserAction::kFolder, "D:\\"},
        {"O presses OK", "C:\\WINDOWS", {C(L'o')}, UserAction::kPress, "ok"},
        {"Esc presses Cancel", "C:\\WINDOWS", {K(Key::kEscape)}, UserAction::kPress, "cancel"},
    };
    for (const auto& c : kCases) {
        ScreenView view = FolderView(c.folder);
        UiState state;
        host::terminal::SyncState(&view, &state);
        KeyResult result;
        for (const Key& key : c.keys) {
            result = host::terminal::HandleKey(view, &state, key);
            if (result.kind == KeyResult::kFocus) {
                view.focus = result.focus;
                host::terminal::SyncState(&view, &state);
            }
        }
        ASSERT_EQ(result.kind, KeyResult::kAction) << c.name;
        EXPECT_EQ(result.action.kind, c.kind) << c.name;
        EXPECT_EQ(c.kind == UserAction::kFolder ? result.action.text : result.action.button, c.result) << c.name;
    }
}

TEST_F(TerminalTest, KeysInMessageBoxes) {
    const struct {
        UINT type;
        std::vector<Key> keys;
        int answer;  // of the last key; 0 for none
    } kCases[] = {
        {MB_YESNO, {C(L'y')}, IDYES},
        {MB_YESNO, {C(L'N')}, IDNO},
        {MB_YESNO, {K(Key::kEscape)}, 0},  // no Cancel to take
        {MB_YESNO, {C(L'x')}, 0},
        {MB_YESNOCANCEL, {K(Key::kEscape)}, IDCANCEL},
        {MB_YESNOCANCEL, {K(Key::kLeft), K(Key::kEnter)}, IDCANCEL},
        {MB_OK, {K(Key::kEscape)}, IDOK},
        {MB_OK, {C(L'o')}, IDOK},
        {MB_OKCANCEL, {K(Key::kEnter)}, IDOK},
        {MB_OKCANCEL, {K(Key::kTab), C(L' ')}, IDCANCEL},
        {MB_OKCANCEL, {C(L'c')}, IDCANCEL},
        {MB_RETRYCANCEL, {C(L'r')}, IDRETRY},
        {MB_ABORTRETRYIGNORE, {C(L'i')}, IDIGNORE},
        {MB_ABORTRETRYIGNORE, {C(L'a')}, IDABORT},
    };
    for (const auto& c : kCases) {
        host::MessageBoxRequest box{nullptr, "text", "caption", c.type};
        int selected = 0, answer = 0;
        for (const Key& key : c.keys) answer = host::terminal::MessageBoxKey(box, &selected, key);
        EXPECT_EQ(answer, c.answer) << "type " << c.type << ", " << c.keys.size() << " keys";
    }
}

// ---- whole runs through a console ----

TEST_F(TerminalTest, WizardRunsOnKeysInRealTimeAndKeepsTheTranscriptUntilClosed) {
    gLog.runWithTimer = true;
    FakeConsole console;
    console.keys = {C(L'X'), K(Key::kBackspace), K(Key::kEnter),       // destination
                    C(L' '), K(Key::kTab), C(L' '), K(Key::kEnter),   // options
                    C(L'f'), Timeout(), K(Key::kEnter)};              // the run, then Finish
    std::ostringstream out;
    INT_PTR result = 0;
    {
        host::TerminalFrontEnd front(console, &out, true);
        host::SetFrontEnd(&front);
        result = RunWizard();
        EXPECT_EQ(out.str(), "") << "nothing written while the terminal is drawn on";
        front.Close();
        host::SetFrontEnd(&recorder_);
    }
    EXPECT_GT(result, 0);
    EXPECT_EQ(console.next, console.keys.size());
    EXPECT_EQ(console.opens, 1);
    EXPECT_EQ(console.closes, 1);
    EXPECT_EQ(console.beeps, 1) << "F before Finish is usable";
    std::string transcript = out.str();
    for (const char* line : {"set 1001 \"C:\\\\Program Files\\\\Foo\\\\X\"\n", "set 1001 \"C:\\\\Program Files\\\\Foo\\\\\"\n",
                             "press next\npage 107", "check 1006 off\n", "check 1005 on\n", "press next\npage 103",
                             u8"text 1008 \"インストールが完了しました。\"\nbuttons finish,cancel\npress finish\n",
                             "end wizard result=1\n"})
        EXPECT_NE(transcript.find(line), std::string::npos) << line << " in\n" << transcript;
    // The run's timer was waited for, not fired at once.
    bool waited = false;
    for (int wait : console.waits) waited = waited || (wait > 0 && wait <= static_cast<int>(kRunTimerMs));
    EXPECT_TRUE(waited);
    // What the user saw on the options page after the two ticks.
    bool seen = false;
    for (const auto& screen : console.screens) {
        std::string text;
        for (const std::string& row : screen) text += row + "\n";
        seen = seen || (text.find(u8"[ ] スタートメニュー") != std::string::npos &&
                        text.find(u8"[x] デスクトップ") != std::string::npos);
    }
    EXPECT_TRUE(seen);
}

TEST_F(TerminalTest, FolderPickerOnKeysReturnsTheFolderChosen) {
    FakeConsole console;
    // From C:\WINDOWS: up to C:\ (WINDOWS chosen there), then Program Files, OK.
    console.keys = {K(Key::kEnter), K(Key::kUp), K(Key::kEnter), C(L'o')};
    std::ostringstream out;
    std::string chosen;
    {
        host::TerminalFrontEnd front(console, &out, false);
        host::SetFrontEnd(&front);
        chosen = BrowseFrom("C:\\WINDOWS");
        host::SetFrontEnd(&recorder_);
    }
    EXPECT_EQ(chosen, "C:\\Program Files\\");
    EXPECT_NE(out.str().find("folder \"C:\\\\\"\nfolder \"C:\\\\Program Files\"\npress ok\n"), std::string::npos) << out.str();
    EXPECT_EQ(console.closes, 1) << "closed with the front end";
}

TEST_F(TerminalTest, MessageBoxIsAnsweredByKeysOverTheLastScreen) {
    FakeConsole console;
    console.keys = {C(L'x'), K(Key::kRight), K(Key::kEnter)};
    std::ostringstream out;
    host::TerminalFrontEnd front(console, &out, false);
    host::SetFrontEnd(&front);
    int answer = MessageBoxA(nullptr, "続けますか？", "Foo", MB_YESNO | MB_ICONQUESTION);
    host::SetFrontEnd(&recorder_);
    EXPECT_EQ(answer, IDNO);
    EXPECT_EQ(console.beeps, 1);
    EXPECT_NE(out.str().find(u8"messagebox owner=none caption=\"Foo\" icon=question text=\"続けますか？\" answer=no"),
              std::string::npos)
        << out.str();
    ASSERT_GE(console.screens.size(), 2u);
    EXPECT_NE(console.LastScreen().find(u8"[ はい(Y) ]  [ いいえ(N) ]"), std::string::npos) << console.LastScreen();
}

TEST_F(TerminalTest, AnAbortedRunGivesTheTerminalBackAndWritesWhatWasKept) {
    FakeConsole console;
    console.keys = {K(Key::kEnter)};  // then the keys run out, as Ctrl-C ends a run
    std::ostringstream out;
    {
        host::TerminalFrontEnd front(console, &out, true);
        host::SetFrontEnd(&front);
        EXPECT_THROW(RunWizard(), host::RunAborted);
        host::SetFrontEnd(&recorder_);
    }
    EXPECT_EQ(console.closes, 1);
    EXPECT_NE(out.str().find("press next\npage 107"), std::string::npos) << out.str();
}

TEST_F(TerminalTest, ARefusedActionIsShownAndTheUserGoesOn) {
    std::vector<ScreenView> views = WizardViews("press cancel\n");
    ASSERT_EQ(views.size(), 1u);
    FakeConsole console;
    console.keys = {Timeout(), Timeout(), K(Key::kTab), K(Key::kEscape)};
    std::ostringstream out;
    host::TerminalFrontEnd front(console, &out, false);
    UserAction action;
    EXPECT_FALSE(front.NextAction(views[0], 5, &action));
    UserAction press;
    press.button = "next";
    front.ActionRefused(press, views[0], "button next is disabled");
    EXPECT_FALSE(front.NextAction(views[0], 5, &action));
    EXPECT_NE(console.screens.back()[23].find(u8"できません: button next is disabled"), std::string::npos)
        << console.screens.back()[23];
    EXPECT_TRUE(front.NextAction(views[0], -1, &action));
    EXPECT_EQ(action.button, "cancel");
    EXPECT_EQ(console.screens.back()[23].find(u8"できません"), std::string::npos) << "gone after a key";
}

}  // namespace
