#include "codepage.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace host {

namespace {

// Runs one whole conversion; false on any invalid or unconvertible input.
bool Convert(const char* to, const char* from, const std::string& in, std::string* out) {
    iconv_t cd = iconv_open(to, from);
    if (cd == (iconv_t)-1) return false;
    std::vector<char> buffer(in.size() * 4 + 16);
    char* inPtr = const_cast<char*>(in.data());
    size_t inLeft = in.size();
    char* outPtr = buffer.data();
    size_t outLeft = buffer.size();
    size_t result = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (result == (size_t)-1 || inLeft != 0) return false;
    out->assign(buffer.data(), buffer.size() - outLeft);
    return true;
}

// ASCII is the same in both: most names need no converter.
bool IsAscii(const std::string& text) {
    for (unsigned char c : text)
        if (c >= 0x80) return false;
    return true;
}

}  // namespace

bool Cp932ToUtf8(const std::string& text, std::string* utf8) {
    if (IsAscii(text)) {
        *utf8 = text;
        return true;
    }
    return Convert("UTF-8", "CP932", text, utf8);
}

bool Utf8ToCp932(const std::string& utf8, std::string* text) {
    if (IsAscii(utf8)) {
        *text = utf8;
        return true;
    }
    return Convert("CP932", "UTF-8", utf8, text);
}

std::string DisplayUtf8(const std::string& cp932) {
    std::string out;
    if (Cp932ToUtf8(cp932, &out)) return out;
    // Convert character by character, replacing what does not convert.
    out.clear();
    for (size_t i = 0; i < cp932.size();) {
        size_t length = IsLeadByte932((unsigned char)cp932[i]) && i + 1 < cp932.size() ? 2 : 1;
        std::string piece;
        if (Cp932ToUtf8(cp932.substr(i, length), &piece))
            out += piece;
        else
            out += '?';
        i += length;
    }
    return out;
}

std::string AnsiFromUtf8(const std::string& utf8) {
    std::string out;
    if (Utf8ToCp932(utf8, &out)) return out;
    return utf8;
}

std::string UpperAscii932(const std::string& text) {
    std::string out = text;
    for (size_t i = 0; i < out.size(); ++i) {
        unsigned char c = (unsigned char)out[i];
        if (IsLeadByte932(c)) {
            ++i;
        } else if (c >= 'a' && c <= 'z') {
            out[i] = (char)(c - 'a' + 'A');
        }
    }
    return out;
}

bool EqualNoCase932(const std::string& a, const std::string& b) {
    return a.size() == b.size() && UpperAscii932(a) == UpperAscii932(b);
}

}  // namespace host
