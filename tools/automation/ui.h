// Looking at other programs' windows: top-level windows, their controls, and
// the message boxes among them. Every message sent to another program has a
// time limit, so a program that hangs cannot hang the automation.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Window text (WM_GETTEXT) and class name.
std::wstring TextOf(HWND window);
std::wstring ClassOf(HWND window);
// A control's id as the resource gives it: -1 for the unnumbered statics.
int IdOf(HWND control);

// Visible top-level windows, front to back.
std::vector<HWND> TopLevelWindows();
// Visible descendants of a window other than the dialogs that hold pages,
// in the order of their creation.
std::vector<HWND> VisibleControls(HWND window);
// The visible control with this id among a window's descendants, or null.
HWND FindControl(HWND window, int id);

// A message box: a dialog with the message text in the static 0xFFFF and
// nothing but statics and its buttons.
bool IsMessageBox(HWND window);
std::wstring MessageBoxText(HWND box);
// The caption of the window's owner, or "none".
std::wstring OwnerOf(HWND window);

// One line describing a control: id, class, text and state.
std::wstring Describe(HWND control);

// SendMessage with a time limit; false when the program did not answer.
bool SendWithin(HWND window, UINT message, WPARAM first, LPARAM second, DWORD_PTR* result = nullptr);
