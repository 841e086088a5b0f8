// (being written)
#include "install/associations.h"
