// (being written)
#include "install/download.h"
