#include "install/executor.h"

#include "common/prelude.h"

int ExecuteTask(const std::wstring& taskLine, const std::wstring& taskName) {
  (void)taskLine;
  (void)taskName;
  Sleep(5);
  return 1;
}
