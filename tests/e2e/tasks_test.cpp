#include "tests/e2e/package_fixture.h"
