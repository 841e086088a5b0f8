#include "tests/e2e/script_builder.h"

#include "tests/e2e/e2e_support.h"

ScriptText::ScriptText(const std::string& name, const std::string& version, bool byteOrderMark) {
  if (byteOrderMark) text_ = kBom;
  Section("GeneralInformation", "AppName = " + name + "\r\nVersion = " + version + "\r\n");
}

ScriptText& ScriptText::Dest(const std::wstring& folder) { return Add("DefaultPath = " + Narrow(folder) + "\r\n"); }

ScriptText DemoApp(const std::wstring& dest, const std::string& general, const std::string& config,
                   const std::string& tasks, const std::string& version) {
  ScriptText script("Demo App", version);
  script.Add(general).Section("iConfig").Dest(dest).Add("PathChangeable = 1\r\n" + config);
  if (!tasks.empty()) script.Section("InstTasks", tasks);
  return script;
}

std::string Task(std::initializer_list<std::string> fields) {
  std::string line;
  size_t n = 0;
  for (const std::string& f : fields) line += (n++ ? kPilcrow : "") + f;
  return line;
}
