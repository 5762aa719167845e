// The terminal front end's drawing: a screen or a message box into a grid of
// character cells.
#include <langinfo.h>
#include <wchar.h>

#include <algorithm>
#include <clocale>
#include <cstring>

#include "core/codepage.h"
#include "ui/terminal.h"
#include "ui/terminal_parts.h"

namespace host {
namespace terminal {

namespace {

constexpr DWORD kNoPrefix = 0x80;  // SS_NOPREFIX: '&' is shown as it is

bool Utf8Codeset() {
    const char* codeset = nl_langinfo(CODESET);
    return codeset && (strcmp(codeset, "UTF-8") == 0 || strcmp(codeset, "utf8") == 0);
}

void AppendUtf8(std::string* out, wchar_t ch) {
    unsigned long c = static_cast<unsigned long>(ch);
    if (c < 0x80) {
        *out += static_cast<char>(c);
    } else if (c < 0x800) {
        *out += static_cast<char>(0xC0 | (c >> 6));
        *out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out += static_cast<char>(0xE0 | (c >> 12));
        *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *out += static_cast<char>(0xF0 | (c >> 18));
        *out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::wstring FromUtf8(const std::string& utf8) {
    std::wstring out;
    for (size_t i = 0; i < utf8.size();) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        int extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
        if (extra < 0 || (extra > 0 && i + extra >= utf8.size())) {  // not a lead byte, or cut short
            out += L'?';
            ++i;
            continue;
        }
        unsigned long value = extra == 0 ? c : c & (0x3F >> extra);
        bool good = true;
        for (int k = 1; k <= extra; ++k) {
            unsigned char next = static_cast<unsigned char>(utf8[i + k]);
            if ((next & 0xC0) != 0x80) good = false;
            value = (value << 6) | (next & 0x3F);
        }
        out += good ? static_cast<wchar_t>(value) : L'?';
        i += good ? extra + 1 : 1;
    }
    return out;
}

// Characters a Japanese line does not start with: closing brackets,
// punctuation, small kana and the long vowel mark.
bool NoLineStart(wchar_t ch) {
    static const wchar_t kClosing[] = L"、。，．・：；？！ー」』）】〕〉》”’ぁぃぅぇぉっゃゅょゎァィゥェォッャュョヮヵヶ,.)]}:;!?";
    return wcschr(kClosing, ch) != nullptr;
}

}  // namespace

bool UseUtf8Locale() {
    if (Utf8Codeset()) return true;
    if (setlocale(LC_CTYPE, "") && Utf8Codeset()) return true;
    for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"})
        if (setlocale(LC_CTYPE, name) && Utf8Codeset()) return true;
    return false;
}

int CellWidth(wchar_t ch) {
    int width = wcwidth(ch);
    return width < 1 ? 1 : width;
}

std::wstring Wide(const std::string& cp932) { return FromUtf8(DisplayUtf8(cp932)); }

std::wstring WideFromUtf8(const std::string& utf8) { return FromUtf8(utf8); }

std::string Utf8Of(const std::wstring& text) {
    std::string out;
    for (wchar_t ch : text) AppendUtf8(&out, ch);
    return out;
}

int TextWidth(const std::wstring& text) {
    int width = 0;
    for (wchar_t ch : text) width += CellWidth(ch);
    return width;
}

std::vector<std::wstring> Wrap(const std::wstring& text, int width) {
    std::vector<std::wstring> lines;
    if (width < 2) width = 2;
    std::wstring line;
    int used = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        wchar_t ch = i < text.size() ? text[i] : L'\n';
        if (ch == L'\r') continue;
        if (ch == L'\n') {
            lines.push_back(line);
            line.clear();
            used = 0;
            continue;
        }
        if (ch == L'\t') ch = L' ';
        int cells = CellWidth(ch);
        if (used + cells > width) {
            if (ch == L' ') {  // the break falls on a blank, which is dropped
                lines.push_back(line);
                line.clear();
                used = 0;
                continue;
            }
            // Break after the last blank when a word of narrow letters runs over.
            size_t blank = line.find_last_of(L' ');
            bool word = ch < 0x80 && !line.empty() && line.back() != L' ' && line.back() < 0x80;
            std::wstring carried;
            if (word && blank != std::wstring::npos && blank > 0) {
                carried = line.substr(blank + 1);
                line.erase(blank);
            } else if (NoLineStart(ch) && line.size() >= 2) {
                carried = line.substr(line.size() - 1);  // the character before goes along
                line.pop_back();
            }
            lines.push_back(line);
            line = carried;
            used = TextWidth(line);
        }
        line += ch;
        used += cells;
    }
    if (lines.size() > 1 && lines.back().empty()) lines.pop_back();  // a closing line end
    return lines;
}

int ColumnOf(int units) { return units <= 0 ? 0 : (units * 4 + 6) / 13; }
int RowOf(int units) { return units <= 0 ? 0 : (units + 4) / 8; }

// ---- the grid ----

Grid::Grid(int width, int height)
    : width_(std::max(width, 1)), height_(std::max(height, 1)), cells_(static_cast<size_t>(width_) * height_) {}

const Cell& Grid::At(int x, int y) const {
    static const Cell kOutside;
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return kOutside;
    return cells_[static_cast<size_t>(y) * width_ + x];
}

void Grid::Blank(int x, int y) {
    Cell* row = &cells_[static_cast<size_t>(y) * width_];
    if (row[x].ch == 0 && x > 0) row[x - 1].ch = L' ';              // was the right half
    if (x + 1 < width_ && row[x + 1].ch == 0) row[x + 1].ch = L' ';  // was the left half
    row[x].ch = L' ';
}

void Grid::Fill(int x, int y, int width, int height, Style style, wchar_t ch) {
    for (int row = std::max(y, 0); row < std::min(y + height, height_); ++row)
        for (int col = std::max(x, 0); col < std::min(x + width, width_); ++col) Put(col, row, ch, style, width_);
}

void Grid::Restyle(int x, int y, int width, int height, Style style) {
    for (int row = std::max(y, 0); row < std::min(y + height, height_); ++row)
        for (int col = std::max(x, 0); col < std::min(x + width, width_); ++col)
            cells_[static_cast<size_t>(row) * width_ + col].style = style;
}

int Grid::Put(int x, int y, wchar_t ch, Style style, int limit, bool mark) {
    if (ch < L' ' || ch == 0x7F) ch = L' ';
    int cells = CellWidth(ch);
    int end = std::min(limit, width_);
    if (y < 0 || y >= height_ || x < 0 || x >= end) return x + cells;
    if (cells == 2 && x + 1 >= end) {
        ch = L' ';
        cells = 1;
    }
    Blank(x, y);
    Cell& cell = cells_[static_cast<size_t>(y) * width_ + x];
    cell.ch = ch;
    cell.style = style;
    cell.mark = mark;
    if (cells == 2) {
        Blank(x + 1, y);
        Cell& right = cells_[static_cast<size_t>(y) * width_ + x + 1];
        right.ch = 0;
        right.style = style;
        right.mark = false;
    }
    return x + cells;
}

int Grid::Text(int x, int y, const std::wstring& text, Style style, int limit) {
    for (wchar_t ch : text) {
        if (x >= limit) break;
        x = Put(x, y, ch, style, limit);
    }
    return std::min(x, limit);
}

std::string Grid::Row(int y) const { return Span(0, y, width_); }

std::string Grid::Span(int x, int y, int cells) const {
    std::string out;
    for (int col = std::max(x, 0); col < std::min(x + cells, width_); ++col) {
        wchar_t ch = At(col, y).ch;
        if (ch) AppendUtf8(&out, ch);
    }
    return out;
}

// ---- labels ----

Label LabelOf(const std::string& cp932, bool prefixes) {
    Label label;
    std::wstring text = Wide(cp932);
    for (size_t i = 0; i < text.size(); ++i) {
        if (prefixes && text[i] == L'&' && i + 1 < text.size()) {
            ++i;
            if (text[i] != L'&' && label.mark < 0) {
                label.mark = static_cast<int>(label.text.size());
                label.key = static_cast<wchar_t>(towupper(text[i]));
            }
        }
        label.text += text[i];
    }
    return label;
}

std::wstring ShortName(const Label& label) {
    std::wstring text = label.text;
    // "次へ(&N) >" is "次へ": the mnemonic in brackets, arrows and dots go.
    if (label.mark >= 1 && label.text[label.mark - 1] == L'(' &&
        static_cast<size_t>(label.mark + 1) < label.text.size() && label.text[label.mark + 1] == L')')
        text.erase(label.mark - 1, 3);
    for (const wchar_t* junk : {L"...", L"<", L">"}) {
        size_t at;
        while ((at = text.find(junk)) != std::wstring::npos) text.erase(at, wcslen(junk));
    }
    size_t start = text.find_first_not_of(L' '), end = text.find_last_not_of(L' ');
    return start == std::wstring::npos ? std::wstring() : text.substr(start, end - start + 1);
}

namespace {

// ---- the screen ----

struct Place {
    int x, y, width, height;  // cells in the client area
};

UINT ButtonType(const ControlView& control) { return control.style & BS_TYPEMASK; }

// Controls of one line: where they sit is the middle of their box.
bool SingleRow(const ControlView& control) {
    return control.className == "edit" || control.className == "button" || control.className == "combobox" ||
           control.className == PROGRESS_CLASSA;
}

Place PlaceOf(const ControlView& control) {
    Place place;
    place.x = ColumnOf(control.box.left);
    place.width = std::max(1, ColumnOf(control.box.right) - place.x);
    if (control.className == "combobox") {  // its box holds the dropped-down list too
        place.y = RowOf(control.box.top);
        place.height = 1;
    } else if (SingleRow(control)) {
        place.y = RowOf((control.box.top + control.box.bottom) / 2);
        place.height = 1;
    } else {
        place.y = RowOf(control.box.top);
        place.height = std::max(1, RowOf(control.box.bottom) - place.y);
    }
    return place;
}

// How far right a text may run: to the next visible control on its rows, or
// the edge of the client area.
int ReachOf(const ScreenView& view, size_t index, const Place& place, int clientWidth) {
    int reach = clientWidth;
    for (size_t i = 0; i < view.controls.size(); ++i) {
        const ControlView& other = view.controls[i];
        if (i == index || !other.visible) continue;
        Place there = PlaceOf(other);
        bool sameRows = there.y < place.y + place.height && place.y < there.y + there.height;
        if (sameRows && there.x > place.x) reach = std::min(reach, there.x - 1);
    }
    return std::max(reach, place.x + place.width);
}

struct Painter {
    Drawing* drawing;
    const ScreenView& view;
    const UiState& state;
    int left, top;     // the client area's first cell
    int clientWidth;   // columns

    Grid& grid() { return drawing->grid; }

    // Text lines in the box, or further right when the box is too small.
    void Lines(const Label& label, int x, int y, int width, int height, int reach, Style style) {
        std::vector<std::wstring> lines = Wrap(label.text, width);
        if (static_cast<int>(lines.size()) > height && reach > x + width) lines = Wrap(label.text, reach - x);
        int limit = std::max(reach, x + width);
        for (int i = 0; i < height && i < static_cast<int>(lines.size()); ++i) {
            int col = left + x;
            for (size_t k = 0; k < lines[i].size(); ++k) {
                bool mark = lines.size() == 1 && static_cast<int>(k) == label.mark;
                col = grid().Put(col, top + y + i, lines[i][k], style, left + limit, mark);
            }
        }
    }

    void Static(const ControlView& control, const Place& place, int reach, Style style) {
        Lines(LabelOf(control.text, !(control.style & kNoPrefix)), place.x, place.y, place.width, place.height,
              reach, style);
    }

    void Edit(const ControlView& control, const Place& place, bool focused, Style style) {
        int x = left + place.x, y = top + place.y, end = left + place.x + place.width;
        if (place.width < 3) return;
        Style field = !control.enabled ? Style::kDim : focused ? Style::kFocus : Style::kField;
        grid().Put(x, y, L'[', style, end);
        grid().Fill(x + 1, y, place.width - 2, 1, field);
        grid().Put(end - 1, y, L']', style, end);
        int fieldWidth = place.width - 2;
        std::wstring text = Wide(control.text);
        size_t cursorChars = text.size();
        if (focused && state.edit == control.window && state.editText == control.text)
            cursorChars = Wide(control.text.substr(0, std::min(state.cursor, control.text.size()))).size();
        // The field scrolls so that the cursor stays in sight.
        size_t first = 0;
        if (focused) {
            int width = 0;
            for (first = cursorChars; first > 0 && width + CellWidth(text[first - 1]) <= fieldWidth - 1; --first)
                width += CellWidth(text[first - 1]);
        }
        grid().Text(x + 1, y, text.substr(first), field, end - 1);
        if (focused) {
            drawing->cursorX = x + 1 + TextWidth(text.substr(first, cursorChars - first));
            drawing->cursorY = y;
        }
    }

    void Button(const ControlView& control, size_t index, const Place& place, bool focused, Style style) {
        UINT type = ButtonType(control);
        Label label = LabelOf(control.text, true);
        int x = left + place.x, y = top + place.y;
        if (type == BS_GROUPBOX) {
            grid().Text(x, y, label.text, style, left + clientWidth);
            return;
        }
        bool check = type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE;
        bool radio = type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
        Style face = focused ? Style::kFocus : style;
        if (check || radio) {
            std::wstring box = check ? (control.check == BST_CHECKED         ? L"[x]"
                                        : control.check == BST_INDETERMINATE ? L"[-]"
                                                                             : L"[ ]")
                                     : (control.check == BST_CHECKED ? L"(*)" : L"( )");
            int reach = left + ReachOf(view, index, place, clientWidth);
            int col = grid().Text(x, y, box + L" ", face, reach);
            for (size_t k = 0; k < label.text.size(); ++k)
                col = grid().Put(col, y, label.text[k], face, reach, static_cast<int>(k) == label.mark);
            return;
        }
        if (!focused && control.enabled && (type == BS_DEFPUSHBUTTON || IsDefaultFrameButton(view, control)))
            face = Style::kDefault;
        std::wstring shown = L"[ " + label.text + L" ]";
        int width = TextWidth(shown);
        int col = x + std::max(0, (place.width - width) / 2);
        int end = left + std::max(ReachOf(view, index, place, clientWidth), place.x + place.width);
        col = grid().Text(col, y, L"[ ", face, end);
        for (size_t k = 0; k < label.text.size(); ++k)
            col = grid().Put(col, y, label.text[k], face, end, static_cast<int>(k) == label.mark);
        grid().Text(col, y, L" ]", face, end);
    }

    void List(const ControlView& control, const Place& place, bool focused, Style style) {
        std::vector<std::string> lines = ListLines(view, control);
        int x = left + place.x, y = top + place.y, end = x + place.width;
        Style field = control.enabled ? Style::kField : Style::kDim;
        grid().Fill(x, y, place.width, place.height, field);
        int selected = SelectedLine(view, state, control);
        int first = 0;
        if (selected >= place.height) first = selected - place.height + 1;
        for (int row = 0; row < place.height && first + row < static_cast<int>(lines.size()); ++row) {
            int line = first + row;
            Style lineStyle = line == selected ? (focused ? Style::kFocus : Style::kDefault) : field;
            grid().Fill(x, y + row, place.width, 1, lineStyle);
            grid().Text(x + 1, y + row, Wide(lines[line]), lineStyle, end - 1);
        }
        if (first > 0) grid().Put(end - 1, y, L'^', style, end);
        if (first + place.height < static_cast<int>(lines.size())) grid().Put(end - 1, y + place.height - 1, L'v', style, end);
    }

    void Combo(const ControlView& control, const Place& place, bool focused, Style style) {
        int x = left + place.x, y = top + place.y, end = x + place.width;
        if (place.width < 5) return;
        Style field = !control.enabled ? Style::kDim : focused ? Style::kFocus : Style::kField;
        grid().Put(x, y, L'[', style, end);
        grid().Fill(x + 1, y, place.width - 2, 1, field);
        grid().Text(x + 1, y, Wide(control.text), field, end - 3);
        grid().Put(end - 2, y, L'v', field, end);
        grid().Put(end - 1, y, L']', style, end);
    }

    void Progress(const ControlView& control, const Place& place, Style style) {
        int x = left + place.x, y = top + place.y;
        int span = control.high - control.low;
        int percent = span > 0 ? (std::min(std::max(control.pos, control.low), control.high) - control.low) * 100 / span : 0;
        int cells = std::max(1, place.width - 5);
        int filled = percent * cells / 100;
        for (int i = 0; i < cells; ++i)
            grid().Put(x + i, y, i < filled ? L'\x2588' : L'\x2591', i < filled ? Style::kBarDone : style, x + cells);
        std::wstring number = std::to_wstring(percent) + L"%";
        grid().Text(x + cells + 1 + (4 - static_cast<int>(number.size())), y, number, style, x + cells + 5);
    }

    void Control(size_t index) {
        const ControlView& control = view.controls[index];
        if (!control.visible) return;
        Place place = PlaceOf(control);
        bool focused = control.window && control.window == view.focus;
        Style style = control.enabled ? Style::kWindow : Style::kDim;
        const std::string& kind = control.className;
        if (kind == "edit") Edit(control, place, focused, style);
        else if (kind == "button") Button(control, index, place, focused, style);
        else if (kind == "listbox") List(control, place, focused, style);
        else if (kind == "combobox") Combo(control, place, focused, style);
        else if (kind == PROGRESS_CLASSA) Progress(control, place, style);
        else Static(control, place, ReachOf(view, index, place, clientWidth), style);
    }
};

// A box with the caption in its top border, and its shadow.
void Frame(Grid& grid, int left, int top, int width, int height, const std::wstring& caption) {
    grid.Fill(left, top, width, height, Style::kWindow);
    int right = left + width - 1, bottom = top + height - 1;
    for (int x = left + 1; x < right; ++x) {
        grid.Put(x, top, L'\x2500', Style::kWindow, right);
        grid.Put(x, bottom, L'\x2500', Style::kWindow, right);
    }
    for (int y = top + 1; y < bottom; ++y) {
        grid.Put(left, y, L'\x2502', Style::kWindow, right + 1);
        grid.Put(right, y, L'\x2502', Style::kWindow, right + 1);
    }
    grid.Put(left, top, L'\x250C', Style::kWindow, right + 1);
    grid.Put(right, top, L'\x2510', Style::kWindow, right + 1);
    grid.Put(left, bottom, L'\x2514', Style::kWindow, right + 1);
    grid.Put(right, bottom, L'\x2518', Style::kWindow, right + 1);
    if (!caption.empty() && width > 6) grid.Text(left + 2, top, L" " + caption + L" ", Style::kTitle, right - 1);
    grid.Restyle(left + 2, bottom + 1, width, 1, Style::kShadow);
    grid.Restyle(right + 1, top + 1, 2, height, Style::kShadow);
}

void KeyBar(Grid& grid, const std::vector<KeyHint>& hints, const std::string& status) {
    int y = grid.Height() - 1, end = grid.Width();
    grid.Fill(0, y, end, 1, Style::kKeyBar);
    if (!status.empty()) {
        grid.Text(1, y, L" " + WideFromUtf8(status) + L" ", Style::kStatus, end);
        return;
    }
    int x = 1;
    for (const KeyHint& hint : hints) {
        int width = TextWidth(hint.key) + TextWidth(hint.what) + 4;
        if (x + width > end) break;
        x = grid.Text(x, y, L" " + hint.key + L" ", Style::kKeyName, end);
        x = grid.Text(x, y, L" " + hint.what, Style::kKeyBar, end) + 1;
    }
}

const wchar_t* MessageBoxLabel(int id) {
    switch (id) {
        case IDOK: return L"OK";
        case IDCANCEL: return L"キャンセル";
        case IDABORT: return L"中止(&A)";
        case IDRETRY: return L"再試行(&R)";
        case IDIGNORE: return L"無視(&I)";
        case IDYES: return L"はい(&Y)";
        case IDNO: return L"いいえ(&N)";
        default: return L"?";
    }
}

const wchar_t* IconMark(UINT type) {
    switch (type & MB_ICONMASK) {
        case MB_ICONERROR: return L"[X] ";
        case MB_ICONQUESTION: return L"[?] ";
        case MB_ICONWARNING: return L"[!] ";
        case MB_ICONINFORMATION: return L"[i] ";
        default: return L"";
    }
}

}  // namespace

Label MessageBoxButtonLabel(int id) {
    Label label;
    for (const wchar_t* p = MessageBoxLabel(id); *p; ++p) {
        if (*p == L'&' && p[1]) {
            label.mark = static_cast<int>(label.text.size());
            label.key = p[1];
            continue;
        }
        label.text += *p;
    }
    if (id == IDOK) label.key = L'O';
    if (id == IDCANCEL) label.key = L'C';
    return label;
}

Drawing DrawScreen(const ScreenView& view, const UiState& state, int columns, int rows) {
    Drawing drawing(columns, rows);
    Grid& grid = drawing.grid;
    grid.Fill(0, 0, columns, rows, Style::kBackdrop);
    int clientWidth = std::max(ColumnOf(view.width), 10), clientHeight = std::max(RowOf(view.height), 3);
    int width = clientWidth + 2, height = clientHeight + 2;
    int left = std::max(0, (columns - width) / 2), top = std::max(0, (rows - 1 - height) / 2);
    Frame(grid, left, top, width, height, Wide(view.caption));
    if (view.kind == ScreenKind::kWizardPage) {
        // The line between the page and the wizard's own buttons.
        for (const ControlView& control : view.controls) {
            if (control.id != kNextButton) continue;
            int y = top + 1 + PlaceOf(control).y - 1;
            grid.Put(left, y, L'\x251C', Style::kWindow, left + width);
            for (int x = left + 1; x < left + width - 1; ++x) grid.Put(x, y, L'\x2500', Style::kWindow, left + width);
            grid.Put(left + width - 1, y, L'\x2524', Style::kWindow, left + width);
        }
    }
    Painter painter{&drawing, view, state, left + 1, top + 1, clientWidth};
    for (size_t i = 0; i < view.controls.size(); ++i) painter.Control(i);
    KeyBar(grid, KeyHints(view, state), state.status);
    return drawing;
}

void DrawMessageBox(Drawing* drawing, const MessageBoxRequest& box, int selected) {
    Grid& grid = drawing->grid;
    drawing->cursorX = drawing->cursorY = -1;
    int ids[4], count = 0;
    ButtonsOf(box.type, ids, &count);
    std::vector<Label> labels;
    int buttonsWidth = 0;
    for (int i = 0; i < count; ++i) {
        labels.push_back(MessageBoxButtonLabel(ids[i]));
        buttonsWidth += TextWidth(labels.back().text) + 4 + (i ? 2 : 0);
    }
    std::wstring icon = IconMark(box.type), caption = Wide(box.caption);
    int iconWidth = TextWidth(icon);
    int most = std::max(20, std::min(grid.Width() - 8, 64));
    std::vector<std::wstring> lines = Wrap(Wide(box.text), most - iconWidth);
    size_t fitting = static_cast<size_t>(std::max(1, grid.Height() - 7));
    if (lines.size() > fitting) {  // what does not fit on the screen is cut
        lines.resize(fitting);
        lines.back() += L"...";
    }
    int textWidth = 0;
    for (const std::wstring& line : lines) textWidth = std::max(textWidth, TextWidth(line));
    int inner = std::min(most, std::max({iconWidth + textWidth, buttonsWidth, TextWidth(caption) + 4, 20}));
    int width = inner + 4, height = static_cast<int>(lines.size()) + 5;
    int left = std::max(0, (grid.Width() - width) / 2), top = std::max(0, (grid.Height() - 1 - height) / 2);
    Frame(grid, left, top, width, height, caption);
    int end = left + width - 2;
    grid.Text(left + 2, top + 2, icon, Style::kWindow, end);
    for (size_t i = 0; i < lines.size(); ++i)
        grid.Text(left + 2 + iconWidth, top + 2 + static_cast<int>(i), lines[i], Style::kWindow, end);
    int x = left + 2 + std::max(0, (inner - buttonsWidth) / 2), y = top + height - 2;
    for (int i = 0; i < count; ++i) {
        Style face = i == selected ? Style::kFocus : Style::kWindow;
        x = grid.Text(x, y, L"[ ", face, end);
        for (size_t k = 0; k < labels[i].text.size(); ++k)
            x = grid.Put(x, y, labels[i].text[k], face, end, static_cast<int>(k) == labels[i].mark);
        x = grid.Text(x, y, L" ]", face, end) + 2;
    }
    KeyBar(grid, MessageBoxHints(box, selected), "");
}

Drawing DrawMessageBoxAlone(const MessageBoxRequest& box, int selected, int columns, int rows) {
    Drawing drawing(columns, rows);
    drawing.grid.Fill(0, 0, columns, rows, Style::kBackdrop);
    DrawMessageBox(&drawing, box, selected);
    return drawing;
}

}  // namespace terminal
}  // namespace host
