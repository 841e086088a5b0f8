#include "install/uninstall_writer.h"

#include <zlib.h>

#include "common/files.h"
#include "common/handles.h"
#include "common/heap.h"
#include "common/log.h"
#include "common/sha256.h"
#include "install/shared/digest_book.h"
#include "common/text.h"
#include "install/install_state.h"
#include "install/registry_journal.h"
#include "install/uninstall_data.h"
#include "install/shared/uninstall_entry.h"
#include "install/upgrade.h"
#include "install/upgrade_rules.h"
#include "startup/process.h"
#include "script/tokens.h"

namespace {

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
bool IconText(const InstallState& st, std::wstring* icon) {
  const SetupSettings& s = Settings();
  if (s.iconFromUninstaller == 1 && s.iconFromCustomFile == 0) {
    *icon = st.uninstallerPath + L",0";
    return true;
  }
  if (s.iconFromUninstaller == 0 && s.iconFromCustomFile == 1) {
    *icon = ExpandTokens(s.customIconPath, st.Folders()) + L"," + text::Decimal(s.customIconIndex);
    return true;
  }
  return false;
}

// The uninstall data of this installation, written to `out` as it is made.
void WriteUninstallData(InstallState& st, ByteSink* out) {
  const SetupSettings& s = Settings();
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
  for (const TaskEntry& t : s.uninstallTasks) c.uninstallTasks.push_back({t.name, ExpandTokens(t.line, st.Folders())});
  // One removal removes this installation and an earlier one of the
  // product: the earlier one's files come first, those this one wrote
  // again only once, as this one's.
  TakeOverEarlier(&c, st.uninstallerPath, st.journal.files, st.guard);
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

int WriteUninstallInfo(InstallState& st) {
  const SetupSettings& s = Settings();
  // A payload without files leaves no install folder; the uninstaller needs one.
  MakePath(text::WithBackslash(st.installFolder));
  WriteUninstaller(st.uninstallerPath);
  // The data is made once, as it is written.
  std::wstring digest;
  {
    DataFile data(st.uninstallDataPath);
    WriteUninstallData(st, &data);
    digest = data.Digest();
  }
  // The list's file in the work folder is not needed any more.
  st.installedFiles.Clear();
  const std::wstring bookName = DigestBookName(st.guard, st.uninstallDataPath);
  RegistryJournal& journal = st.journal.registry;
  journal.BeforeKey(HKEY_LOCAL_MACHINE, L"Software\\Tarnwick Install Platform\\Uninstall data");
  journal.BeforeValue(HKEY_LOCAL_MACHINE, L"Software\\Tarnwick Install Platform\\Uninstall data", bookName);
  WriteDigestBookEntry(bookName, digest);
  std::wstring icon;
  const std::wstring entry = UninstallEntryName(s);
  if (entry.empty() || !IconText(st, &icon)) return 1;
  // An entry of an earlier installation comes back if this run does not complete.
  st.journal.registry.BeforeTree(HKEY_LOCAL_MACHINE, UninstallEntryKey(entry), true);
  WriteUninstallEntry(entry, {icon, s.companyName, s.website, s.supportEmail, L"n/a", st.uninstallerPath, digest,
                              s.programVersion, st.installFolder, st.payloadBytes});
  return 1;
}
