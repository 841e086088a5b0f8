#include "script/settings.h"

#include "script/ini.h"
#include "script/integer.h"

namespace {

std::wstring Text(const wchar_t* key) { return IniReadText(key, L""); }
int32_t Integer(const wchar_t* key, const wchar_t* fallback = L"0") { return ReadInteger(IniReadText(key, fallback)); }

void ReadTasks(std::vector<TaskEntry>* tasks) {
  tasks->clear();
  for (bool more = IniFirstKey(); more; more = IniNextKey()) tasks->push_back({IniKeyName(), IniKeyValue()});
}

}  // namespace

SetupSettings& Settings() {
  static SetupSettings* settings = new SetupSettings;
  return *settings;
}

void ReadSetupSettings(SetupSettings* s) {
  IniSelectGroup(L"GeneralInformation");
  s->programName = Text(L"AppName");
  s->programVersion = Text(L"Version");
  s->companyName = Text(L"CompanyName");
  s->website = Text(L"Website");
  s->supportEmail = Text(L"Email");
  s->allowW98 = Text(L"W98");
  s->allowWMe = Text(L"WME");
  s->allowWNt = Text(L"WNT");
  s->allowW2k = Text(L"W2K");
  s->allowWXp = Text(L"WXP");
  s->allowWV = Text(L"WV");
  s->dotNet = Text(L"DotNet");
  s->dependencyPage = Text(L"RunIfDepNotFound");

  IniSelectGroup(L"Look");
  s->headerTextColour = static_cast<uint32_t>(Integer(L"HeaderTextColour"));

  IniSelectGroup(L"FilesAndSettings");
  s->readMeRequired = Text(L"RequireReadme");
  s->licenseRequired = Text(L"RequireLicense");

  IniSelectGroup(L"InstTasks");
  ReadTasks(&s->installTasks);
  IniSelectGroup(L"UninstTasks");
  ReadTasks(&s->uninstallTasks);

  IniSelectGroup(L"uConfig");
  s->uninstallReboot = Integer(L"RebootRequired");
  s->skipExtensions = Text(L"SkipExtString");
  s->iconFromUninstaller = Integer(L"IconExtUninst");
  s->iconFromCustomFile = Integer(L"IconExtCustom");
  s->customIconPath = Text(L"IconExtPath");
  s->customIconIndex = Integer(L"IconExtIndex");

  IniSelectGroup(L"iConfig");
  s->installRebootOffered = Integer(L"RebootRequired");
  s->pathChangeable = Integer(L"PathChangeable");
  s->defaultPath = Text(L"DefaultPath");
  s->createStartMenuGroup = Integer(L"AutoCreateStartMenu");
  s->createInternetLink = Integer(L"CreateInternetLink", L"");
  s->createUninstallLink = Integer(L"CreateUninstallLink");
  s->offerGroupOptOut = Integer(L"ForceGroupCreation");
}
