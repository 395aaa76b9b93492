// Checks of the machine before anything is installed.
#ifndef QUARVEL_ENVIRONMENT_ENVIRONMENT_H
#define QUARVEL_ENVIRONMENT_ENVIRONMENT_H

#include "installer/install_state.h"

// True to go on: the display shows more than 256 colours, its depth cannot be
// read, or the warning could not be shown. False: the user cancelled.
bool CheckDisplayColours();

// Finds the Windows family and the DirectX level.
void ProbePlatform(DirectXLevel* level, OsFamily* family);

#endif
