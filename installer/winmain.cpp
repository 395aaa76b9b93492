// The Windows entry. The program links no C runtime start-up code: the entry
// finds the arguments after the program's name itself and ends the process
// with the run's result as the exit code. Nothing runs before it, so the
// program must keep to globals that need no constructor and to msvcrt
// functions that need no start-up (string and formatting functions, no stdio).
#include "installer/install_state.h"

extern "C" void QuarvelStart(void)
{
    LPSTR arguments = SkipProgramName(GetCommandLineA());
    int result = InstallerMain(GetModuleHandleA(NULL), NULL, arguments, SW_SHOWDEFAULT);
    ExitProcess(static_cast<UINT>(result));
}
