#include "handles.h"

ModuleHandles moduleHandles;
