// Host build only: gives the simulated machine the program's resources, from
// the same definitions that the resource script compiles for Windows.
#ifndef QUARVEL_RESOURCES_PROGRAM_RESOURCES_H
#define QUARVEL_RESOURCES_PROGRAM_RESOURCES_H

#include "machine.h"

void InstallProgramResources(sim::Machine& machine);

#endif
