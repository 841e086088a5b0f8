// Stands in for the real restart request in the test program: records the
// flags of every request and answers with a chosen result.
#pragma once

#include <windows.h>

#include <vector>

namespace exit_recorder {

// Forgets earlier requests; later ones get `result`.
void Reset(BOOL result);
const std::vector<UINT>& Requests();

}  // namespace exit_recorder
