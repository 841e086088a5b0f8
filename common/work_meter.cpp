#include "common/work_meter.h"

size_t* g_workMeter = nullptr;
