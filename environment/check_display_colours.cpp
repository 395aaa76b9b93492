// The display colour gate: the add-on needs more than 256 colours.
#include "environment/environment.h"

#include <string.h>

static const char ColourWarning[] =
    "Your display is set to 256 colours or less\n"
    "Quarvel needs at least 16 bit colour (hi-colour)\n"
    "Change your display settings and retry";

static bool QueryDisplayMode(DEVMODEA* mode)
{
    memset(mode, 0, sizeof *mode);
    mode->dmSize = sizeof *mode;
    mode->dmDriverExtra = 0;
    return EnumDisplaySettingsA(NULL, ENUM_CURRENT_SETTINGS, mode) != 0;
}

bool CheckDisplayColours()
{
    DEVMODEA mode;
    if (!QueryDisplayMode(&mode))
        return true;

    while (mode.dmBitsPerPel <= 8) {
        int answer = MessageBoxA(NULL, ColourWarning, "Quarvel Install", MB_RETRYCANCEL);
        if (answer == IDCANCEL)
            return false;
        // A box that cannot be shown cannot be answered: do not keep asking.
        if (answer == 0)
            return true;
        if (!QueryDisplayMode(&mode))
            return true;
    }
    return true;
}
