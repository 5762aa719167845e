// The one process-wide record of the setup program: paths, settings,
// counters, flags, window handles and the current entry.
#pragma once

#include "platform.h"

// Sizes of the text fields, terminator included.
constexpr int kPathSize = MAX_PATH;   // a platform path
constexpr int kProductTextSize = 100; // the product's title and folder

struct SetupState {
    HINSTANCE instance;                 // module instance, for templates and dialogs
    BOOL isNewShell;                    // GetVersion's low byte is 4 or more
    char modulePath[kPathSize];         // full path of the running program file
    char setupDir[kPathSize];           // directory the settings are read from, with '\'
    char programFileName[kPathSize];    // file-name part of the program's path
    char settingsFileName[kPathSize];   // programFileName ending in "INF"
    char settingsPath[kPathSize];       // setupDir + settingsFileName
    char title[kProductTextSize];       // product title
    char folder[kProductTextSize];      // product folder name
    BOOL isResident;                    // the product is a resident program
    char installDir[kPathSize];         // destination directory, ends in '\' once validated
    int fileCount;                      // numbered file entries
    int groupCount;                     // numbered Start-menu entries
    char entrySource[kPathSize];        // current entry: source, or group caption
    char entryTarget[kPathSize];        // current entry: full destination or target
    int entryTargetTail;                // offset in entryTarget where the entry's own text starts
    BOOL entryLeavesInstallDir;         // current entry: its destination would be outside installDir
    const char* overlongEntrySection;   // current entry's section and number when its value is too long
    int overlongEntryNumber;            // for a path (entrySource holds its start); else the section is null
    HWND sheetWindow;                   // the wizard frame
    HWND activeWindow;                  // owner of the shared routines' message boxes
    BOOL wantStartMenu;                 // Start-menu check box
    BOOL wantDesktop;                   // desktop check box
    int stepIndex;                      // installation step counter
    BOOL stepFailed;                    // a step of the installation run reported a failure
    DWORD ddeInstance;                  // DDE instance identifier
    HCONV ddeConversation;              // DDE conversation handle, 0 when none
    char keyText[16];                   // decimal text of an entry number
};

extern SetupState setup;

