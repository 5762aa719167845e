// What the terminal front end's drawing and keys share: labels with their
// mnemonics, list lines, and the keys shown on the last row.
#pragma once

#include <string>
#include <vector>

#include "ui/terminal.h"

namespace host {
namespace terminal {

// A control's text as shown: '&' marks taken out.
struct Label {
    std::wstring text;
    int mark = -1;    // index in text of the mnemonic letter, or -1
    wchar_t key = 0;  // that letter, upper case; for message box buttons their key
};
Label LabelOf(const std::string& cp932, bool prefixes);
// A button's name for the key line: "次へ(&N) >" is "次へ".
std::wstring ShortName(const Label& label);
Label MessageBoxButtonLabel(int id);
std::wstring WideFromUtf8(const std::string& utf8);

// The lines a list box shows: in the folder dialog, ".." before the
// subfolders when the folder has a parent.
std::vector<std::string> ListLines(const ScreenView& view, const ControlView& list);
int SelectedLine(const ScreenView& view, const UiState& state, const ControlView& list);
// The wizard's Next, or its Finish when Next is not shown: what Enter presses.
bool IsDefaultFrameButton(const ScreenView& view, const ControlView& button);

struct KeyHint {
    std::wstring key;   // "Tab", "Alt+N", "Esc"
    std::wstring what;  // "次へ"
};
std::vector<KeyHint> KeyHints(const ScreenView& view, const UiState& state);
std::vector<KeyHint> MessageBoxHints(const MessageBoxRequest& box, int selected);

}  // namespace terminal
}  // namespace host
