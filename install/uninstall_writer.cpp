#include "install/uninstall_writer.h"

#include <zlib.h>

#include "common/files.h"
#include "common/handles.h"
#include "common/heap.h"
#include "common/log.h"
#include "common/sha256.h"
#include "install/digest_book.h"
#include "common/text.h"
#include "install/install_state.h"
#include "install/registry_journal.h"
#include "install/uninstall_data.h"
#include "install/upgrade.h"
#include "install/upgrade_rules.h"
#include "startup/process.h"
#include "script/tokens.h"

namespace {

constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// The uninstaller travels inside the setup stub as a zlib stream (deflated
// when the stub is built) and is inflated straight into its file, a piece at
// a time, with the private heap. A file that could not be written whole is
// deleted again.
voidpf InflateAlloc(voidpf, uInt items, uInt size) { return HeapBytes(static_cast<size_t>(items) * size); }
void InflateFree(voidpf, voidpf p) { FreeHeapBytes(p); }

bool InflateInto(HANDLE file, const void* bytes, DWORD size) {
  constexpr uInt kPiece = 32768;
  z_stream z = {};
  z.zalloc = InflateAlloc;
  z.zfree = InflateFree;
  z.next_in = static_cast<Bytef*>(const_cast<void*>(bytes));
  z.avail_in = size;
  if (inflateInit(&z) != Z_OK) return false;
  auto* piece = static_cast<Bytef*>(HeapBytes(kPiece));
  int result = piece ? Z_OK : Z_MEM_ERROR;
  while (result == Z_OK) {
    z.next_out = piece;
    z.avail_out = kPiece;
    result = inflate(&z, Z_NO_FLUSH);
    if ((result == Z_OK || result == Z_STREAM_END) && !WriteAll(file, piece, kPiece - z.avail_out)) result = Z_ERRNO;
  }
  FreeHeapBytes(piece);
  inflateEnd(&z);
  return result == Z_STREAM_END;
}

bool WriteUninstaller(const std::wstring& path) {
  HRSRC found = FindResourceW(nullptr, L"UNINSTALLER", MAKEINTRESOURCEW(10));  // RT_RCDATA
  HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return false;
  ScopedHandle file(CreateFileForWriting(path));
  if (!file.valid()) return false;
  if (InflateInto(file.get(), bytes, SizeofResource(nullptr, found))) return true;
  file.Close();
  DeleteFileW(path.c_str());
  return false;
}

// The uninstall data goes into its file as it is made, and into its
// digest: the digest is of the very bytes written, also where the file
// could not be written.
class DataFile : public ByteSink {
 public:
  explicit DataFile(const std::wstring& path) : file_(CreateFileForWriting(path)) {}
  void Put(const std::string& bytes) override {
    digest_.Add(bytes.data(), bytes.size());
    if (file_.valid() && !WriteAll(file_.get(), bytes.data(), bytes.size())) file_.Close();
  }
  std::wstring Digest() { return digest_.FinishHex(); }

 private:
  ScopedHandle file_;
  Sha256Stream digest_;
};

// The entry's icon: the uninstaller's, a file of the product's, or none
// (then no registration is written).
bool IconText(std::wstring* icon) {
  const SetupSettings& s = Settings();
  if (s.iconFromUninstaller == 1 && s.iconFromCustomFile == 0) {
    *icon = Installation().uninstallerPath + L",0";
    return true;
  }
  if (s.iconFromUninstaller == 0 && s.iconFromCustomFile == 1) {
    *icon = ExpandTokens(s.customIconPath) + L"," + text::Decimal(s.customIconIndex);
    return true;
  }
  return false;
}

void SetString(HKEY key, const wchar_t* name, const std::wstring& value) {
  RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

}  // namespace

namespace {

// The uninstall data of this installation, written to `out` as it is made.
void WriteUninstallData(ByteSink* out) {
  const SetupSettings& s = Settings();
  InstallState& st = Installation();
  UninstallContents c;
  c.texts = Process().texts.uninstall;
  c.appName = s.programName;
  c.installPath = st.installFolder;
  c.rebootRequired = s.uninstallReboot;
  c.skipExtensions = s.skipExtensions;
  c.installPathCreated = st.installFolderCreated;
  // The record holds the paths exactly as they were used: expanding them
  // again would take a backslash from a network path.
  c.installRecord = st.installRecord;
  c.uninstallTasks.reserve(s.uninstallTasks.size());
  for (const TaskEntry& t : s.uninstallTasks) c.uninstallTasks.push_back({t.name, ExpandTokens(t.line)});
  // One removal removes this installation and an earlier one of the
  // product: the earlier one's files come first, those this one wrote
  // again only once, as this one's.
  TakeOverEarlier(&c, st.uninstallerPath);
  auto eachFile = [&](auto take) {
    return st.installedFiles.Forward([&](const char* record, size_t size) {
      take(std::wstring(reinterpret_cast<const wchar_t*>(record), size / sizeof(wchar_t)));
      return true;
    });
  };
  if (!c.files.empty()) {
    EarlierFiles earlier(c.files);
    eachFile([&](const std::wstring& f) { earlier.Listed(f); });
    c.files = earlier.Left();
  }
  UninstallDataWriter w(out);
  w.Begin(c);
  if (!eachFile([&](const std::wstring& f) { w.File(f); }))
    LogLine(L"the list of installed files could not be read back whole");
  w.End();
}

}  // namespace

int RegisterUninstall(const std::wstring& programName, const std::wstring& companyName,
                      const std::wstring& website, const std::wstring& email, const std::wstring& telephone,
                      const std::wstring& iconText, const std::wstring& uninstallerPath, uint64_t sizeBytes,
                      const std::wstring& dataDigest) {
  // An entry of an earlier installation comes back if this run does not complete.
  RegistryChanges().BeforeTree(HKEY_LOCAL_MACHINE, kUninstallKey + programName, true);
  ScopedKey key;
  if (RegCreateKeyW(HKEY_LOCAL_MACHINE, (kUninstallKey + programName).c_str(), key.out()) != ERROR_SUCCESS) return 0;
  SetString(key.get(), L"DisplayName", programName);
  SetString(key.get(), L"DisplayIcon", iconText);
  SetString(key.get(), L"Publisher", companyName);
  SetString(key.get(), L"URLInfoAbout", website);
  SetString(key.get(), L"HelpLink", website);
  SetString(key.get(), L"Contact", email);
  SetString(key.get(), L"HelpTelephone", telephone);
  // Quoted: with a blank in the path, an unquoted command could start
  // another program (C:\Program.exe).
  SetString(key.get(), L"UninstallString", L"\"" + uninstallerPath + L"\"");
  // For deployment tools: the removal without questions, and the size.
  SetString(key.get(), L"QuietUninstallString", L"\"" + uninstallerPath + L"\" /S");
  const DWORD kilobytes = static_cast<DWORD>(sizeBytes / 1024 + (sizeBytes % 1024 ? 1 : 0));
  RegSetValueExW(key.get(), L"EstimatedSize", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&kilobytes),
                 sizeof kilobytes);
  SetString(key.get(), kUninstallDataDigestValue, dataDigest);
  SetString(key.get(), L"DisplayVersion", Settings().programVersion);
  SetString(key.get(), L"InstallLocation", Installation().installFolder);
  const DWORD one = 1;
  RegSetValueExW(key.get(), L"NoModify", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
  RegSetValueExW(key.get(), L"NoRepair", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
  LogLine(L"uninstall entry: HKEY_LOCAL_MACHINE\\" + (kUninstallKey + programName) + L", removal: \"" +
          uninstallerPath + L"\"");
  return 1;
}

int WriteUninstallInfo() {
  const InstallState& st = Installation();
  const SetupSettings& s = Settings();
  // A payload without files leaves no install folder; the uninstaller needs one.
  MakePath(text::WithBackslash(st.installFolder));
  WriteUninstaller(st.uninstallerPath);
  // The data is made once, as it is written.
  std::wstring digest;
  {
    DataFile data(st.uninstallDataPath);
    WriteUninstallData(&data);
    digest = data.Digest();
  }
  // The list's file in the work folder is not needed any more.
  Installation().installedFiles.Clear();
  const std::wstring bookName = DigestBookName(st.uninstallDataPath);
  RegistryChanges().BeforeKey(HKEY_LOCAL_MACHINE, L"Software\\Tarnwick Install Platform\\Uninstall data");
  RegistryChanges().BeforeValue(HKEY_LOCAL_MACHINE, L"Software\\Tarnwick Install Platform\\Uninstall data", bookName);
  WriteDigestBookEntry(bookName, digest);
  std::wstring icon;
  const std::wstring entry = UninstallEntryName(s);
  if (entry.empty() || !IconText(&icon)) return 1;
  RegisterUninstall(entry, s.companyName, s.website, s.supportEmail, L"n/a", icon, st.uninstallerPath,
                    st.payloadBytes, digest);
  return 1;
}
