#include "installer/install_state.h"

InstallStateRecord InstallState;
