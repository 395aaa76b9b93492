// The Windows entry. The program links no C runtime start-up code: the entry
// finds the arguments after the program's name itself and ends the process
// with the run's result as the exit code.
#include "installer/install_state.h"

extern "C" void QuarvelStart(void)
{
    LPSTR arguments = SkipProgramName(GetCommandLineA());
    int result = InstallerMain(GetModuleHandleA(NULL), NULL, arguments, SW_SHOWDEFAULT);
    ExitProcess(static_cast<UINT>(result));
}
