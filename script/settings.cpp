#include "script/settings.h"

#include "script/ini.h"
#include "script/integer.h"

namespace {

void ReadTasks(IniDocument& ini, std::vector<TaskEntry>* tasks) {
  tasks->clear();
  for (bool more = ini.FirstKey(); more; more = ini.NextKey()) tasks->push_back({ini.KeyName(), ini.KeyValue()});
}

}  // namespace

void ReadSetupSettings(IniDocument& ini, SetupSettings* s) {
  auto Text = [&ini](const wchar_t* key) { return ini.ReadText(key, L""); };
  auto Integer = [&ini](const wchar_t* key, const wchar_t* fallback = L"0") {
    return ReadInteger(ini.ReadText(key, fallback));
  };
  ini.SelectGroup(L"GeneralInformation");
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

  ini.SelectGroup(L"Look");
  s->headerTextColour = static_cast<uint32_t>(Integer(L"HeaderTextColour"));

  ini.SelectGroup(L"FilesAndSettings");
  s->readMeRequired = Text(L"RequireReadme");
  s->licenseRequired = Text(L"RequireLicense");

  ini.SelectGroup(L"InstTasks");
  ReadTasks(ini, &s->installTasks);
  ini.SelectGroup(L"UninstTasks");
  ReadTasks(ini, &s->uninstallTasks);

  ini.SelectGroup(L"uConfig");
  s->uninstallReboot = Integer(L"RebootRequired");
  s->skipExtensions = Text(L"SkipExtString");
  s->iconFromUninstaller = Integer(L"IconExtUninst");
  s->iconFromCustomFile = Integer(L"IconExtCustom");
  s->customIconPath = Text(L"IconExtPath");
  s->customIconIndex = Integer(L"IconExtIndex");

  ini.SelectGroup(L"iConfig");
  s->installRebootOffered = Integer(L"RebootRequired");
  s->pathChangeable = Integer(L"PathChangeable");
  s->defaultPath = Text(L"DefaultPath");
  s->createStartMenuGroup = Integer(L"AutoCreateStartMenu");
  s->createInternetLink = Integer(L"CreateInternetLink", L"");
  s->createUninstallLink = Integer(L"CreateUninstallLink");
  s->offerGroupOptOut = Integer(L"ForceGroupCreation");
}
