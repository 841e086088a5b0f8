// (being written)
#include "install/services.h"
