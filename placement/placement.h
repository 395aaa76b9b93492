// Placing the package's files and registering the component.
#ifndef QUARVEL_PLACEMENT_PLACEMENT_H
#define QUARVEL_PLACEMENT_PLACEMENT_H

#include "installer/install_state.h"

// The failure texts that InstallFile leaves in InstallState.failureReason.
extern const char* const FileSkippedText;
extern const char* const FileInUseText;
extern const char* const FileNotWrittenText;

// Copies the package file source (a bare name in the current directory) to
// destination (a full path whose folder exists). False: skipped or not copied.
bool InstallFile(const char* source, const char* destination);

// Makes the install folder, places the support library and the component, has
// the component register itself and removes the old type library registration.
bool InstallComponent();

// Copies the plug-in files into the current Navigator and Netscape 6 folders.
bool InstallNetscapePlugin();

#endif
