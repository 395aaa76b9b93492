// What the user sees at the end of a run.
#ifndef QUARVEL_REPORT_REPORT_H
#define QUARVEL_REPORT_REPORT_H

#include "installer/install_state.h"

enum {
    ReportLineSize = 255,
    ReportLineCapacity = 25,
    ReportTextSize = 4096,
};

// The report of a failed run; they live for the whole run.
extern char ReportLines[ReportLineCapacity][ReportLineSize];
extern int ReportLineCount;
extern char ReportText[ReportTextSize];

// Fills the report lines from InstallState and joins them into ReportText.
void ComposeReport();

// Dialog procedure of the completion dialog.
INT_PTR CALLBACK CompletionDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#endif
