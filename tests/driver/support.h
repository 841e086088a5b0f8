// What the tests share beside the driver, one job per file: files and
// folders, the registry, processes, and other Windows versions under Wine.
#pragma once

#include "tests/driver/driver.h"
#include "tests/driver/emulation.h"
#include "tests/driver/files.h"
#include "tests/driver/processes.h"
#include "tests/driver/registry.h"
