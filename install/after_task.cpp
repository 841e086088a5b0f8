// In a file of its own, so that a test build can put its own in its place.
#include "install/executor.h"

void AfterTask(const std::wstring&) {}
