// The C library's memory and string functions that the program and the
// compiler call, for a build without a C runtime DLL. Built without the
// compiler's built-in forms, so that no loop here becomes a call to itself.
#include <stddef.h>

extern "C" {

void* memcpy(void* destination, const void* source, size_t count) {
    unsigned char* to = static_cast<unsigned char*>(destination);
    const unsigned char* from = static_cast<const unsigned char*>(source);
    while (count--) *to++ = *from++;
    return destination;
}

void* memmove(void* destination, const void* source, size_t count) {
    unsigned char* to = static_cast<unsigned char*>(destination);
    const unsigned char* from = static_cast<const unsigned char*>(source);
    if (to < from) {
        while (count--) *to++ = *from++;
    } else {
        while (count--) to[count] = from[count];
    }
    return destination;
}

void* memset(void* destination, int value, size_t count) {
    unsigned char* to = static_cast<unsigned char*>(destination);
    while (count--) *to++ = static_cast<unsigned char>(value);
    return destination;
}

int memcmp(const void* first, const void* second, size_t count) {
    const unsigned char* a = static_cast<const unsigned char*>(first);
    const unsigned char* b = static_cast<const unsigned char*>(second);
    for (; count; --count, ++a, ++b)
        if (*a != *b) return *a < *b ? -1 : 1;
    return 0;
}

void* memchr(const void* text, int value, size_t count) {
    const unsigned char* p = static_cast<const unsigned char*>(text);
    for (; count; --count, ++p)
        if (*p == static_cast<unsigned char>(value)) return const_cast<unsigned char*>(p);
    return nullptr;
}

size_t strlen(const char* text) {
    const char* end = text;
    while (*end) ++end;
    return static_cast<size_t>(end - text);
}

int strcmp(const char* first, const char* second) {
    const unsigned char* a = reinterpret_cast<const unsigned char*>(first);
    const unsigned char* b = reinterpret_cast<const unsigned char*>(second);
    while (*a && *a == *b) ++a, ++b;
    return *a == *b ? 0 : (*a < *b ? -1 : 1);
}

int strncmp(const char* first, const char* second, size_t count) {
    const unsigned char* a = reinterpret_cast<const unsigned char*>(first);
    const unsigned char* b = reinterpret_cast<const unsigned char*>(second);
    for (; count; --count, ++a, ++b) {
        if (*a != *b) return *a < *b ? -1 : 1;
        if (!*a) return 0;
    }
    return 0;
}

// Byte scans: 0 is never a lead or trail byte of code page 932.
char* strchr(const char* text, int value) {
    for (;; ++text) {
        if (*text == static_cast<char>(value)) return const_cast<char*>(text);
        if (!*text) return nullptr;
    }
}

char* strrchr(const char* text, int value) {
    const char* found = nullptr;
    for (;; ++text) {
        if (*text == static_cast<char>(value)) found = text;
        if (!*text) return const_cast<char*>(found);
    }
}

}  // extern "C"
