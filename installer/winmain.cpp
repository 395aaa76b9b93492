// The Windows entry: the start-up code hands over the command line without the
// program's name and makes the result the exit code.
#include "installer/install_state.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine,
                   int showCommand)
{
    return InstallerMain(instance, previousInstance, commandLine, showCommand);
}
