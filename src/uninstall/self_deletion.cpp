#include "uninstall/self_deletion.h"

#include <cstring>

#include "text/text.h"

namespace {

constexpr DWORD kBufferSize = 32768;  // the section text, and the new text
constexpr int kTextLimit = 30000;     // past this the request is abandoned
constexpr BYTE kEndOfFileMark = 0x1A;

// Appends a line of the section and CR LF. An end-of-file mark read with the
// line is cut off, since the restart stops reading at it, and so is a CR
// right before it, which then ends the restart's last line; a line of
// nothing but those is left out.
BOOL AppendSectionLine(char* lines, const char* line) {
    const char* mark = FindCharMb(line, (char)kEndOfFileMark);
    int length = mark ? (int)(mark - line) : (int)strlen(line);
    if (mark && length > 0 && line[length - 1] == '\r') --length;
    if (length == 0) return TRUE;
    return AppendTextPart(lines, kTextLimit, line, length) && AppendText(lines, kTextLimit, "\r\n");
}

// The lines of the file's "[Rename]" section, in order, each ending in CR LF.
// Read line by line: several "NUL=" lines share a key and each keeps its value.
BOOL ReadRenameSection(const char* file, char* lines) {
    lines[0] = 0;
    char* section = static_cast<char*>(GlobalAlloc(GPTR, kBufferSize));
    if (!section) return FALSE;
    GetPrivateProfileSectionA("Rename", section, kBufferSize, file);
    BOOL fits = TRUE;
    for (const char* line = section; *line && fits; line += strlen(line) + 1) fits = AppendSectionLine(lines, line);
    GlobalFree(section);
    return fits;
}

// The byte at offset, or 0 when it cannot be read.
char ByteAt(HFILE handle, LONG offset) {
    char byte = 0;
    if (offset < 0 || _llseek(handle, offset, FILE_BEGIN) != offset || _lread(handle, &byte, 1) != 1) return 0;
    return byte;
}

// Appends text at the end of the file, over a final end-of-file mark, and
// after a line end when the last line has none. The file is never created.
BOOL AppendToFile(const char* file, const char* text) {
    OFSTRUCT info;
    HFILE handle = OpenFile(file, &info, OF_READWRITE);
    if (handle == HFILE_ERROR) return FALSE;
    LONG end = _llseek(handle, 0, FILE_END);
    BOOL ok = end != HFILE_ERROR;
    if (ok && end > 0) {
        if ((BYTE)ByteAt(handle, end - 1) == kEndOfFileMark) --end;
        char last = ByteAt(handle, end - 1);
        ok = _llseek(handle, end, FILE_BEGIN) == end;
        if (ok && end > 0 && last != '\n') ok = _lwrite(handle, "\r\n", 2) == 2;
    }
    UINT length = (UINT)strlen(text);
    ok = ok && _lwrite(handle, text, length) == length;
    _lclose(handle);
    return ok;
}

// True when the file exists, can be opened for writing, and holds no
// end-of-file mark before its last byte: the restart never reads past such a
// mark, so a section moved behind it would be lost, and cutting the mark out
// would carry out text that was never meant to run. Nor a null byte: the
// section is read as strings that end in one, so a line holding it would be
// written back as two.
BOOL CanAppendTo(const char* file) {
    OFSTRUCT info;
    HFILE handle = OpenFile(file, &info, OF_READWRITE);
    if (handle == HFILE_ERROR) return FALSE;
    LONG size = _llseek(handle, 0, FILE_END);
    BOOL clean = size != HFILE_ERROR && _llseek(handle, 0, FILE_BEGIN) == 0;
    static char chunk[4096];
    for (LONG offset = 0; clean && offset < size;) {
        UINT read = _lread(handle, chunk, sizeof chunk);
        if (read == (UINT)HFILE_ERROR || read == 0) {
            clean = FALSE;
            break;
        }
        const char* mark = static_cast<const char*>(memchr(chunk, kEndOfFileMark, read));
        if (mark && offset + (mark - chunk) < size - 1) clean = FALSE;
        if (memchr(chunk, 0, read)) clean = FALSE;
        offset += (LONG)read;
    }
    _lclose(handle);
    return clean;
}

}  // namespace

void ScheduleSelfDeletion(const char* path) {
    if (MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) return;

    char file[MAX_PATH];
    if (!GetWindowsDirectoryA(file, sizeof file) || !AppendText(file, sizeof file, "\\WININIT.INI")) return;
    char shortPath[MAX_PATH];
    DWORD length = GetShortPathNameA(path, shortPath, sizeof shortPath);
    // Without a short form there is no name the restart can read.
    if (length == 0 || length >= sizeof shortPath) return;
    // Nothing is touched unless the file exists and takes the new text: it is
    // never created, and its section is not taken out for nothing.
    if (!CanAppendTo(file)) return;

    char* text = static_cast<char*>(GlobalAlloc(GPTR, kBufferSize));
    if (!text) return;
    char* lines = static_cast<char*>(GlobalAlloc(GPTR, kBufferSize));
    BOOL ready = lines && CopyText(text, kTextLimit, "[Rename]\r\n") && ReadRenameSection(file, lines) &&
                 AppendText(text, kTextLimit, lines) && AppendText(text, kTextLimit, "NUL=") &&
                 AppendText(text, kTextLimit, shortPath) && AppendText(text, kTextLimit, "\r\n");
    if (ready) {
        // Take the section out only once the new text is whole, and put the old
        // text back if the append fails, so the section is never lost.
        WritePrivateProfileStringA("Rename", nullptr, nullptr, file);
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, nullptr);
        if (!AppendToFile(file, text)) {
            text[strlen(text) - strlen("NUL=") - strlen(shortPath) - 2] = 0;
            AppendToFile(file, text);
        }
    }
    if (lines) GlobalFree(lines);
    GlobalFree(text);
}
