#include "shell/wide_text.h"

#include "core/codepage.h"

namespace host {

namespace {

void AppendUtf8(char32_t code, std::string* out) {
    if (code < 0x80) {
        *out += (char)code;
    } else if (code < 0x800) {
        *out += (char)(0xC0 | (code >> 6));
        *out += (char)(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        *out += (char)(0xE0 | (code >> 12));
        *out += (char)(0x80 | ((code >> 6) & 0x3F));
        *out += (char)(0x80 | (code & 0x3F));
    } else {
        *out += (char)(0xF0 | (code >> 18));
        *out += (char)(0x80 | ((code >> 12) & 0x3F));
        *out += (char)(0x80 | ((code >> 6) & 0x3F));
        *out += (char)(0x80 | (code & 0x3F));
    }
}

}  // namespace

bool WideToAnsi(const char16_t* text, size_t count, std::string* ansi) {
    std::string utf8;
    for (size_t i = 0; i < count; ++i) {
        char32_t unit = text[i];
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (i + 1 >= count || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
            unit = 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            return false;
        }
        AppendUtf8(unit, &utf8);
    }
    return Utf8ToCp932(utf8, ansi);
}

bool WideToAnsi(const char16_t* text, std::string* ansi) {
    size_t count = 0;
    while (count <= kMaxWideText && text[count]) ++count;
    if (count > kMaxWideText) return false;
    return WideToAnsi(text, count, ansi);
}

bool AnsiToWide(const std::string& ansi, std::u16string* wide) {
    std::string utf8;
    if (!Cp932ToUtf8(ansi, &utf8)) return false;
    wide->clear();
    for (size_t i = 0; i < utf8.size();) {
        unsigned char c = (unsigned char)utf8[i];
        int extra = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
        if (i + extra >= utf8.size()) return false;
        char32_t code = extra == 0 ? c : extra == 1 ? (c & 0x1F) : extra == 2 ? (c & 0x0F) : (c & 0x07);
        for (int k = 1; k <= extra; ++k) code = (code << 6) | (utf8[i + k] & 0x3F);
        i += extra + 1;
        if (code >= 0x10000) {
            code -= 0x10000;
            *wide += (char16_t)(0xD800 + (code >> 10));
            *wide += (char16_t)(0xDC00 + (code & 0x3FF));
        } else {
            *wide += (char16_t)code;
        }
    }
    return true;
}

}  // namespace host
