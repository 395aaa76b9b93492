// The arguments of the command line that Windows hands the process: what
// follows the program's name.
#include "installer/install_state.h"

// The name ends at the first space or tab outside double quotes; the blanks
// after it are skipped. A quote left open runs to the end of the line.
LPSTR SkipProgramName(LPSTR commandLine)
{
    if (commandLine == NULL)
        return NULL;
    bool quoted = false;
    while (*commandLine != '\0' && (quoted || (*commandLine != ' ' && *commandLine != '\t'))) {
        if (*commandLine == '"')
            quoted = !quoted;
        ++commandLine;
    }
    while (*commandLine == ' ' || *commandLine == '\t')
        ++commandLine;
    return commandLine;
}
