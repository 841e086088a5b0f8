// (being written)
#include "install/system_tasks.h"
