/* The benchmark's floor: the least a program can do for the same job, a
   process start and the copies, with no checks, no registry and no prompts.
   Run from the package folder; exit code = number of failed copies. */
#include <windows.h>

static const char* const Copies[][2] = {
    {"tqm408k.dll", "C:\\Program Files\\Quarvel\\1.50\\tqm408k.dll"},
    {"Quarvel.dll", "C:\\Program Files\\Quarvel\\1.50\\Quarvel.dll"},
    {"NPKestrix.dll", "C:\\Program Files\\Netscape\\Communicator\\Program\\Plugins\\NPKestrix.dll"},
    {"NPKestrix.class", "C:\\Program Files\\Netscape\\Communicator\\Program\\Plugins\\NPKestrix.class"},
};

void FloorStart(void)
{
    UINT failed = 0;
    CreateDirectoryA("C:\\Program Files\\Quarvel", NULL);
    CreateDirectoryA("C:\\Program Files\\Quarvel\\1.50", NULL);
    for (unsigned i = 0; i < sizeof Copies / sizeof Copies[0]; ++i) {
        if (!CopyFileA(Copies[i][0], Copies[i][1], FALSE))
            ++failed;
    }
    ExitProcess(failed);
}
