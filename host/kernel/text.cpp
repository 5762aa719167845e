// Code page 932 text services.
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/codepage.h"
#include "windows_host.h"

BOOL IsDBCSLeadByte(BYTE testChar) { return host::IsLeadByte932(testChar) ? TRUE : FALSE; }

// Only the system code page (932) is served.
int MultiByteToWideChar(UINT, DWORD, LPCSTR multiByte, int multiByteLength, LPWSTR wide, int wideLength) {
    if (!multiByte) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t length = multiByteLength < 0 ? strlen(multiByte) + 1 : (size_t)multiByteLength;
    std::string utf8;
    if (!host::Cp932ToUtf8(std::string(multiByte, length), &utf8)) {
        SetLastError(1113 /* ERROR_NO_UNICODE_TRANSLATION */);
        return 0;
    }
    std::u16string utf16;
    for (size_t i = 0; i < utf8.size();) {
        unsigned char c = (unsigned char)utf8[i];
        char32_t code;
        int extra = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
        code = extra == 0 ? c : extra == 1 ? (c & 0x1F) : extra == 2 ? (c & 0x0F) : (c & 0x07);
        for (int k = 1; k <= extra && i + k < utf8.size(); ++k) code = (code << 6) | (utf8[i + k] & 0x3F);
        i += extra + 1;
        if (code >= 0x10000) {
            code -= 0x10000;
            utf16 += (char16_t)(0xD800 + (code >> 10));
            utf16 += (char16_t)(0xDC00 + (code & 0x3FF));
        } else {
            utf16 += (char16_t)code;
        }
    }
    if (wideLength == 0) return (int)utf16.size();
    if ((int)utf16.size() > wideLength) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    memcpy(wide, utf16.data(), utf16.size() * sizeof(char16_t));
    return (int)utf16.size();
}

// Writes at most 1024 bytes, the documented limit. No floating point.
int wsprintfA(LPSTR buffer, LPCSTR format, ...) {
    va_list args;
    va_start(args, format);
    int length = vsnprintf(buffer, 1024, format, args);
    va_end(args);
    return length < 0 ? 0 : (length > 1023 ? 1023 : length);
}

int lstrlenA(LPCSTR text) { return text ? (int)strlen(text) : 0; }

LPSTR lstrcpyA(LPSTR destination, LPCSTR source) { return strcpy(destination, source); }

LPSTR lstrcatA(LPSTR destination, LPCSTR source) { return strcat(destination, source); }

int lstrcmpiA(LPCSTR first, LPCSTR second) {
    std::string a = host::UpperAscii932(first), b = host::UpperAscii932(second);
    return a < b ? -1 : a > b ? 1 : 0;
}
