#include "base/module_state.h"

ModuleState g_moduleState = {};
