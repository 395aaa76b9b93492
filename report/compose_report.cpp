// The report shown after a failed run: a few lines built from the string table.
#include "report/report.h"

#include "installer/text_buffer.h"
#include "resources/resource_ids.h"

char ReportLines[ReportLineCapacity][ReportLineSize];
int ReportLineCount;
char ReportText[ReportTextSize];

static char* NextReportLine()
{
    if (ReportLineCount >= ReportLineCapacity)
        return NULL;
    char* line = ReportLines[ReportLineCount++];
    line[0] = '\0';
    return line;
}

static void AddReportString(UINT id)
{
    char* line = NextReportLine();
    if (line == NULL)
        return;
    if (LoadStringA(InstallState.instance, id, line, ReportLineSize) == 0)
        line[0] = '\0';
}

static void AddReportText(const char* text)
{
    char* line = NextReportLine();
    if (line == NULL)
        return;
    CopyText(line, ReportLineSize, text);
}

static void AddWindowsLine()
{
    if (InstallState.osFamily == OsWindows9x)
        AddReportString(IDS_WINDOWS_9X);
    else if (InstallState.osFamily == OsWindowsNT)
        AddReportString(InstallState.directXLevel == DirectX6 ? IDS_WINDOWS_2000 : IDS_WINDOWS_NT4);
}

static void AddDirectXLine()
{
    switch (InstallState.directXLevel) {
    case DirectX3:
        AddReportString(IDS_DIRECTX3);
        break;
    case DirectX5:
        AddReportString(IDS_DIRECTX5);
        break;
    case DirectX6:
        AddReportString(IDS_DIRECTX6);
        break;
    default:
        AddReportString(IDS_NO_DIRECTX3);
        break;
    }
}

static void AddComponentLine()
{
    if (InstallState.componentRegistered)
        AddReportString(IDS_REGISTERED);
    else if (InstallState.failureReason != NULL)
        AddReportText(InstallState.failureReason);
    else
        AddReportString(IDS_COPY_FAILED);
}

static void AddPluginLine()
{
    if (InstallState.pluginInstalled) {
        // The plug-in step succeeded, so the failure that brought the report
        // is a plug-in file that was not placed: say which failure it was.
        AddReportText(InstallState.failureReason != NULL ? InstallState.failureReason : "");
        return;
    }
    if (InstallState.pluginStatus == PluginNotInPackage)
        AddReportString(IDS_IE_ONLY);
    else if (InstallState.pluginStatus == NavigatorNotFound)
        AddReportString(IDS_NO_PLUGIN_DIRECTORY);
}

static void JoinReportLines()
{
    ReportText[0] = '\0';
    for (int i = 0; i < ReportLineCount; i++) {
        AppendText(ReportText, sizeof ReportText, ReportLines[i]);
        AppendText(ReportText, sizeof ReportText, "\n");
    }
}

void ComposeReport()
{
    AddReportString(IDS_INFORMATION);
    AddWindowsLine();
    AddDirectXLine();
    AddComponentLine();
    AddPluginLine();
    JoinReportLines();
}
