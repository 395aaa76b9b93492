// The entry and the fixed sequence of the installation.
#include "installer/install_state.h"

#include <string.h>

#include "environment/environment.h"
#include "placement/placement.h"
#include "report/report.h"
#include "resources/resource_ids.h"

static const char PluginPackageFile[] = "NPKestrix.dll";

static bool PackageHoldsFile(const char* name)
{
    HANDLE file = CreateFileA(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

static void ShowReport()
{
    ComposeReport();
    MessageBoxA(NULL, ReportText, "Quarvel install error", MB_OK);
}

static void ShowCompletionDialog()
{
    DialogBoxParamA(InstallState.instance, MAKEINTRESOURCEA(IDD_COMPLETION), NULL,
                    CompletionDialogProc, 0);
}

int RunInstaller(HINSTANCE instance)
{
    InstallState.instance = instance;

    if (!CheckDisplayColours())
        return 0;

    ProbePlatform(&InstallState.directXLevel, &InstallState.osFamily);
    if (InstallState.directXLevel < DirectX3) {
        InstallState.failed = true;
        ShowReport();
        return 1;
    }

    if (!InstallComponent()) {
        InstallState.failed = true;
        ShowReport();
        return 1;
    }
    InstallState.componentRegistered = true;

    if (!PackageHoldsFile(PluginPackageFile)) {
        InstallState.pluginStatus = PluginNotInPackage;
    } else if (!InstallNetscapePlugin()) {
        InstallState.failed = true;
        ShowReport();
        return 1;
    } else {
        InstallState.pluginInstalled = true;
    }

    // A file can fail inside a step that still succeeded as a whole.
    if (InstallState.failed) {
        ShowReport();
        return 1;
    }
    if (InstallState.showCompletionDialog)
        ShowCompletionDialog();
    return 1;
}

int InstallerMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine,
                  int showCommand)
{
    (void)previousInstance;
    (void)showCommand;

    InstallState.showCompletionDialog = true;
    if (commandLine != NULL && strstr(commandLine, "-nook") != NULL)
        InstallState.showCompletionDialog = false;

    if (RunInstaller(instance) == 0)
        return 0;
    return InstallState.failed ? 0 : 1;
}
