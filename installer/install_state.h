// The record of one installer run, and the steps that leave their outcome in it.
#ifndef QUARVEL_INSTALLER_INSTALL_STATE_H
#define QUARVEL_INSTALLER_INSTALL_STATE_H

#include "platform/win32.h"

// The Windows family that the probe found.
enum OsFamily : DWORD {
    OsNone = 0,       // no usable answer
    OsWindows9x = 1,  // any platform other than NT
    OsWindowsNT = 2,  // NT 4.0 or later
};

// The DirectX level that the probe found; levels compare as unsigned numbers.
enum DirectXLevel : DWORD {
    DirectXNone = 0x000,
    DirectX1 = 0x100,
    DirectX2 = 0x200,
    DirectX3 = 0x300,
    DirectX5 = 0x500,
    DirectX6 = 0x600,
};

// Why the Netscape plug-in was not installed.
enum PluginStatus : DWORD {
    PluginNone = 0,
    PluginNotInPackage = 1,
    NavigatorNotFound = 2,
};

struct InstallStateRecord {
    HINSTANCE instance;
    bool showCompletionDialog;
    OsFamily osFamily;
    DirectXLevel directXLevel;
    bool componentRegistered;
    bool pluginInstalled;
    PluginStatus pluginStatus;
    bool failed;
    const char* failureReason;  // one of InstallFile's fixed texts, or null
};

// The single record of the run; all zero when the program starts.
extern InstallStateRecord InstallState;

// installer/run_installer.cpp
int InstallerMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine,
                  int showCommand);
int RunInstaller(HINSTANCE instance);

// installer/command_line.cpp
LPSTR SkipProgramName(LPSTR commandLine);

#endif
