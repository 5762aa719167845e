// The steps of a script, one a line:
//   timeout SECONDS          time limit of the waits that follow (default 30)
//   start COMMAND-LINE       starts a program (CreateProcess) and goes on
//   arp KEY                  starts the "UninstallString" of the product KEY,
//                            as Add/Remove Programs does
//   exit [window]            waits for the program started last (or the one
//                            that showed the current window) to end
//   window TEXT              waits for a top-level window whose caption, or a
//                            visible control's text, holds TEXT; it becomes
//                            the current window
//   gone TEXT                waits until no such window is left
//   show [ID]                prints the current window's visible controls
//                            (first waiting for control ID to be visible)
//   until ID TEXT            waits until control ID reads exactly TEXT
//   set ID TEXT              sets the text of an edit field
//   check ID on|off          ticks or clears a check box, as a click would
//   press next|back|finish|cancel|ID
//                            presses a wizard button (PSM_PRESSBUTTON) or the
//                            button ID, once it is visible and enabled
//   answer ok|cancel|yes|no [TEXT]
//                            waits for a message box (whose text holds TEXT)
//                            and answers it with that button
//   answers ANSWER=TEXT...   answers one box for each pair, in whatever order
//                            they come (a directory walk's questions)
//   close TEXT               closes the top-level window that "window TEXT" finds
//   windows                  prints the captions of the top-level windows
//   reg KEY [VALUE]          prints a registry key's values and subkeys (or
//                            one value)
//   longpath PATH            prints the long form of a path (GetLongPathName)
//   platform                 prints the version, code page and directories
// Texts with blanks are written in double quotes. A wait that runs out ends
// the script with an error that names what was not seen.
#pragma once

#include <string>
#include <vector>

struct Step {
    int line;                        // line number in the script
    std::wstring name;               // the first word
    std::wstring rest;               // the line after the first word, as written
    std::vector<std::wstring> args;  // the rest in words; "..." keeps blanks
};

// Why a step could not be done.
struct StepError {
    std::wstring what;
};

// Does one step, printing its transcript lines; throws StepError.
void RunStep(const Step& step);
// Prints every visible top-level window with its controls, for a failure.
void PrintScreen();
