// Numbers of the program's resources and of the dialog controls it uses.
// Shared by the program's code and setup.rc (windres and the host both read it).
#pragma once

// Dialog templates and the icon.
#define IDD_DESTINATION 100   // wizard page 1: destination folder
#define IDD_REMOVAL 101       // removal progress dialog
#define IDI_SETUP 102         // program icon (group icon)
#define IDD_PROGRESS 103      // wizard page 3: installation run
#define IDD_BROWSE 105        // folder picker, a template for GetSaveFileNameA
#define IDD_OPTIONS 107       // wizard page 2: shortcut options

// Controls.
#define IDC_INSTRUCTION 1000     // destination page: instruction line
#define IDC_DESTINATION 1001     // destination page: destination folder edit
#define IDC_BROWSE 1002          // destination page: browse button
#define IDC_PROGRESS 1003        // progress page: progress bar
#define IDC_DESKTOP 1005         // options page: desktop shortcut check box
#define IDC_START_MENU 1006      // options page: Start menu check box
#define IDC_STATUS 1008          // progress page: status line
#define IDC_REMOVAL_STATUS 1010  // removal dialog: status line
#define IDC_REMOVAL_HINT 1012    // progress page: how to uninstall, hidden at first
