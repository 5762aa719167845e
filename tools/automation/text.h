// Text for the transcript: UTF-16 inside, UTF-8 lines on standard output.
#pragma once

#include <string>

// UTF-8 bytes to UTF-16 and back.
std::wstring FromUtf8(const std::string& text);
std::string ToUtf8(const std::wstring& text);
// Bytes in the ANSI code page (what SETUP.EXE itself sees) to UTF-16.
std::wstring FromAnsi(const std::string& text);

// A text in double quotes, with \ and " escaped and line breaks as \n, as the
// host build's transcript writes it.
std::wstring Quoted(const std::wstring& text);

// Writes one line of the transcript (UTF-8, LF) at once.
void Print(const std::wstring& line);
