// Conversion between the machine's ANSI code page (932) and the host's UTF-8,
// through iconv.
#pragma once

#include <string>

namespace host {

// Converts code page 932 bytes to UTF-8; false when the text is not valid 932.
bool Cp932ToUtf8(const std::string& text, std::string* utf8);
// Converts UTF-8 to code page 932; false when a character has no 932 form.
bool Utf8ToCp932(const std::string& utf8, std::string* text);
// Lenient forms for display: invalid bytes become '?'.
std::string DisplayUtf8(const std::string& cp932);
std::string AnsiFromUtf8(const std::string& utf8);

// True for a code page 932 lead byte. Inline: path scans ask it of every byte.
inline bool IsLeadByte932(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}
// Upper-cases ASCII letters only, stepping over double-byte characters.
std::string UpperAscii932(const std::string& text);
// Compares two code page 932 texts without regard to ASCII case.
bool EqualNoCase932(const std::string& a, const std::string& b);

}  // namespace host
