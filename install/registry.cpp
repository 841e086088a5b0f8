// (being written)
#include "install/registry.h"
