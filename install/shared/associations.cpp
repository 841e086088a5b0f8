// The registry layout of a file association, written and removed through the
// registry layer. Layout A registers the class under HKEY_CLASSES_ROOT with
// the command under the program's "Applications" entry and sets the user's
// Explorer choice; layout B names the class after the program file under the
// machine's Software\Classes and keeps the command there.
#include "install/shared/associations.h"

#include "common/prelude.h"
#include "common/text.h"
#include "install/shared/registry.h"

namespace {

const wchar_t kFileExts[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.";
const wchar_t kClasses[] = L"Software\\Classes\\";

// Bits 16 to 23 of GetVersion: part of the build number on NT systems, all
// clear on Windows 9x and Me.
bool UsesLayoutA() { return ((GetVersion() >> 16) & 0xFF) != 0; }

void WriteText(HKEY root, const std::wstring& keyPath, const std::wstring& valueName, const std::wstring& data) {
  RegistryWriteValue(root, keyPath, valueName, data, REG_SZ, L"");
}

}  // namespace

std::wstring ProgramFileOf(const std::wstring& programPath) {
  std::wstring file = text::FilePart(programPath);
  return file.substr(0, file.find(L'"'));
}

int AssociateExtension(const std::wstring& extension, const std::wstring& programName,
                       const std::wstring& programPath, const std::wstring& icon) {
  WriteAssociation(extension, programName, programPath, icon, ProgramFileOf(programPath), L"open");
  return 1;
}

void WriteAssociation(const std::wstring& extension, const std::wstring& programName,
                      const std::wstring& programPath, const std::wstring& icon, const std::wstring& programFile,
                      const std::wstring& verb) {
  // The program receives the file name as its one quoted argument.
  const std::wstring command = L"\"" + programPath + L"\" \"%1\"";
  const std::wstring shellCommand = L"\\shell\\" + verb + L"\\command";
  if (UsesLayoutA()) {
    const std::wstring fileClass = extension + L"_auto_file";
    WriteText(HKEY_CLASSES_ROOT, L"Applications\\" + programFile + shellCommand, L"", command);
    if (!programName.empty()) {
      WriteText(HKEY_CLASSES_ROOT, L"." + extension, L"", fileClass);
      WriteText(HKEY_CLASSES_ROOT, fileClass, L"", programName);
      if (!icon.empty()) WriteText(HKEY_CLASSES_ROOT, fileClass + L"\\DefaultIcon", L"", icon);
    }
    WriteText(HKEY_CURRENT_USER, kFileExts + extension, L"Application", programFile);
  } else {
    const std::wstring programClass = kClasses + programFile;
    WriteText(HKEY_LOCAL_MACHINE, kClasses + (L"." + extension), L"", programFile);
    if (!programName.empty()) WriteText(HKEY_LOCAL_MACHINE, programClass, L"", programName);
    if (!icon.empty()) WriteText(HKEY_LOCAL_MACHINE, programClass + L"\\DefaultIcon", L"", icon);
    WriteText(HKEY_LOCAL_MACHINE, programClass + shellCommand, L"", command);
  }
}

std::vector<AssociationKey> AssociationKeys(const std::wstring& extension, const std::wstring& programFile) {
  if (UsesLayoutA())
    return {{HKEY_CLASSES_ROOT, L"Applications\\" + programFile},
            {HKEY_CLASSES_ROOT, L"." + extension},
            {HKEY_CLASSES_ROOT, extension + L"_auto_file"},
            {HKEY_CURRENT_USER, kFileExts + extension}};
  return {{HKEY_LOCAL_MACHINE, kClasses + (L"." + extension)}, {HKEY_LOCAL_MACHINE, kClasses + programFile}};
}

int RemoveAssociation(const std::wstring& extension, const std::wstring& programFile) {
  // Without either name the keys below would be whole class trees
  // (HKEY_CLASSES_ROOT\Applications, the machine's Software\Classes).
  if (text::Trim(extension, L" ").empty() || text::Trim(programFile, L" ").empty()) return 0;
  for (const AssociationKey& key : AssociationKeys(extension, programFile)) RegistryDeleteTree(key.root, key.path, L"");
  return 0;
}
