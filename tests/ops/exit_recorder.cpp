// Defined in the test program itself, this RequestExitWindows takes the
// place of the library's, so nothing here can end the Wine session.
#include "tests/ops/exit_recorder.h"

#include "install/shared/system_tasks.h"

namespace exit_recorder {
namespace {
std::vector<UINT> g_requests;
BOOL g_result = TRUE;
}  // namespace

void Reset(BOOL result) {
  g_requests.clear();
  g_result = result;
}

const std::vector<UINT>& Requests() { return g_requests; }

}  // namespace exit_recorder

BOOL RequestExitWindows(UINT flags) {
  exit_recorder::g_requests.push_back(flags);
  return exit_recorder::g_result;
}
