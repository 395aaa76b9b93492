// The arguments of the command line that Windows hands the process: what
// follows the program's name.
#include "installer/install_state.h"

// Windows programs count every character up to the space as a blank: tabs,
// line breaks and other control characters too. Bytes above 127 are not.
static bool IsBlank(char c)
{
    return c != '\0' && static_cast<unsigned char>(c) <= ' ';
}

// The name ends at the first blank outside double quotes; the blanks after it
// are skipped. A quote left open runs to the end of the line.
LPSTR SkipProgramName(LPSTR commandLine)
{
    if (commandLine == NULL)
        return NULL;
    bool quoted = false;
    while (*commandLine != '\0' && (quoted || !IsBlank(*commandLine))) {
        if (*commandLine == '"')
            quoted = !quoted;
        ++commandLine;
    }
    while (IsBlank(*commandLine))
        ++commandLine;
    return commandLine;
}
