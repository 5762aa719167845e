// UTF-16 text of the wide COM interfaces and the .lnk format, to and from the
// machine's ANSI code page (932).
#pragma once

#include <string>

namespace host {

// Longest wide text taken from a NUL-terminated string: the longest path the
// wide file calls accept.
constexpr size_t kMaxWideText = 32767;

// Converts UTF-16 units to code page 932; false for an unpaired surrogate or a
// character that has no 932 form.
bool WideToAnsi(const char16_t* text, size_t count, std::string* ansi);
// The same for a NUL-terminated string of at most kMaxWideText units.
bool WideToAnsi(const char16_t* text, std::string* ansi);
// Converts code page 932 text to UTF-16; false when it is not valid 932.
bool AnsiToWide(const std::string& ansi, std::u16string* wide);

}  // namespace host
