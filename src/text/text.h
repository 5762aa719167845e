// Multibyte text and path routines shared by the whole program. Texts are
// zero-terminated byte strings in the ANSI code page; every forward search for
// a separator walks whole characters.
#pragma once

#include "platform.h"

// Position of the first c that begins a character, or nullptr.
char* FindCharMb(char* text, char c);
const char* FindCharMb(const char* text, char c);
// True when byte n of text is the second byte of a double-byte character.
BOOL IsTrailByteAt(const char* text, int n);
// A name of one file or folder: no separator, no character Windows refuses
// in a name, and not a name that Windows reads as "." or ".." (trailing dots
// and blanks are dropped from names, so ". ." is "").
BOOL IsOneFolderName(const char* name);
// True when path holds a character no folder name may hold: * ? " < > |, a
// control byte, an unfinished double-byte character, '/', or a ':' anywhere
// but after the drive letter.
BOOL HasCharacterRefusedInPath(const char* path);
// Appends '\' unless text already ends in a backslash character. The buffer
// holds size bytes; false (text unchanged) when there is no room.
BOOL EnsureTrailingSeparator(char* text, int size);
// Writes n in decimal into setup.keyText and returns it.
const char* FormatKey(unsigned n);

// Copies source into a buffer of size bytes; false, and an empty buffer, when
// it does not fit (a cut path would name another file).
BOOL CopyText(char* destination, int size, const char* source);
// Appends source; false, and the buffer unchanged, when it does not fit.
BOOL AppendText(char* destination, int size, const char* source);
// Appends the first count bytes of source, on the same terms.
BOOL AppendTextPart(char* destination, int size, const char* source, int count);
