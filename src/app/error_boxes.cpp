#include "app/error_boxes.h"

#include <cstring>

#include "app/setup_state.h"

int ShowPathMessage(const char* path, const char* message, const char* caption, UINT type) {
    // The text is made as long as the path needs: a path is never shown cut.
    size_t pathLength = strlen(path);
    size_t messageLength = strlen(message);
    char* text = static_cast<char*>(GlobalAlloc(GPTR, pathLength + messageLength + 1));
    // Without memory for the whole text the path alone is shown.
    if (!text) return MessageBoxA(setup.activeWindow, path, caption, type);
    memcpy(text, path, pathLength);
    memcpy(text + pathLength, message, messageLength + 1);
    int answer = MessageBoxA(setup.activeWindow, text, caption, type);
    GlobalFree(text);
    return answer;
}

void ShowPathError(const char* path, const char* message) { ShowPathMessage(path, message, nullptr, MB_ICONERROR); }
