// Reads a setup script with the setup stub's own reader (script/ini.h,
// script/settings.h) and splits its task lines as the stub does
// (install/task_line.h). Prints, in UTF-8, one line per value:
//
//   AppName <TAB> program name
//   InstTasks <TAB> task name <TAB> field count <TAB> keyword
//   UninstTasks <TAB> task name <TAB> field count <TAB> keyword
//   RequireLicense <TAB> value, RequireReadme <TAB> value
//
// Used by tests/tools/docs_examples.py for the examples of docs/authoring.md.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "common/text.h"
#include "install/task_line.h"
#include "script/ini.h"
#include "script/settings.h"

namespace {

void PrintTasks(const char* group, const std::vector<TaskEntry>& tasks) {
  for (const TaskEntry& task : tasks) {
    const TaskFields fields(task.line);
    std::printf("%s\t%s\t%zu\t%s\n", group, text::ToUtf8(task.name).c_str(), fields.count(),
                text::ToUtf8(fields[1]).c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: docs_task_fields SCRIPT\n");
    return 2;
  }
  std::ifstream file(argv[1], std::ios::binary);
  if (!file) {
    std::fprintf(stderr, "docs_task_fields: cannot read %s\n", argv[1]);
    return 1;
  }
  std::stringstream bytes;
  bytes << file.rdbuf();
  IniDocument script(bytes.str());
  SetupSettings settings;
  ReadSetupSettings(script, &settings);
  std::printf("AppName\t%s\n", text::ToUtf8(settings.programName).c_str());
  std::printf("RequireLicense\t%s\n", text::ToUtf8(settings.licenseRequired).c_str());
  std::printf("RequireReadme\t%s\n", text::ToUtf8(settings.readMeRequired).c_str());
  PrintTasks("InstTasks", settings.installTasks);
  PrintTasks("UninstTasks", settings.uninstallTasks);
  return 0;
}
