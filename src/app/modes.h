// The three run modes the entry hands control to.
#pragma once

// Install mode: the wizard, until it closes.
void RunWizard();
// Uninstall request mode: confirm, copy into the system directory, start the copy.
void HandOffUninstall();
// Removal mode: the removal dialog, then the deferred self-deletion.
void RunRemovalMode();
