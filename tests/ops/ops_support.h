// What the tests of the installation's operations share: folders and files
// in the Wine machine, registry look-ups, starting helper programs, and
// running cases again under an emulated Windows version. The extraction's
// tests and the end-to-end tests take their file and key checks from here.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace ops {

// The folder of the test programs and their helpers, ending with "\". A copy
// of the test program running elsewhere learns it from its parent.
std::wstring BinFolder();
// A fresh, empty folder below the user's temporary folder, ending with "\".
std::wstring FreshFolder(const std::wstring& name);
void RemoveTree(const std::wstring& path);

bool FileExists(const std::wstring& path);
bool FolderExists(const std::wstring& path);
std::string ReadFileBytes(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
std::string Narrow(const std::wstring& s);
// The lines of a text, each ended by "\n"; an unended last line is left out.
std::vector<std::string> Lines(const std::string& text);

bool KeyExists(HKEY root, const std::wstring& path);
bool ValueExists(HKEY root, const std::wstring& path, const std::wstring& name);
// The REG_SZ value's text, or "<missing>" / "<type N>" when it is not one.
std::wstring TextValue(HKEY root, const std::wstring& path, const std::wstring& name);
// Deletes the key with everything below it (the platform's own deletion,
// not the one under test).
void DeleteKeyTree(HKEY root, const std::wstring& path);

// Starts `program` with the arguments; the handle is the caller's to close.
HANDLE Start(const std::wstring& program, const std::wstring& arguments);
bool Running(HANDLE process);
// Identifiers of the running processes with this file name (any case).
std::vector<DWORD> ProcessIdsNamed(const std::wstring& name);
// Ends every running process with this file name and waits for each end.
void EndProcessesNamed(const std::wstring& name);

// Looks at the condition every 20 ms until it holds; false on time-out.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 15000);

// Runs the disabled cases that match `filter` in a copy of this test program
// for which Wine emulates `version` ("win98", "nt40", ...). Those are systems
// of 32-bit programs: the callers skip them in the 64-bit build (kIs64Bit). Succeeds when at
// least one case ran and all passed; their output joins this one's.
::testing::AssertionResult RunEmulated(const std::wstring& version, const std::wstring& filter);
// True in the 64-bit build.
constexpr bool kIs64Bit = sizeof(void*) == 8;

// The bits 16 to 23 of GetVersion, which tell the association layouts apart.
inline DWORD VersionBuildByte() { return (GetVersion() >> 16) & 0xFF; }

// A junction (or a symbolic link) at `link` to the folder or file
// `target`; under Wine, which makes none, a Unix symbolic link, which it
// shows as one. False when neither could be made.
bool MakeLink(const std::wstring& link, std::wstring target, bool junction);

// Puts another function in the place of one that this program imports, for
// the life of the object. The operations under test are linked into this
// program and call through the same import table, so a test can have the
// system refuse what Wine always grants.
class ImportSwap {
 public:
  ImportSwap(const char* function, ULONG_PTR replacement) {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    const auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); d->Name; ++d) {
      auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + (d->OriginalFirstThunk ? d->OriginalFirstThunk
                                                                                     : d->FirstThunk));
      auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
      for (; names->u1.AddressOfData; ++names, ++slots) {
        if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
        const auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
        if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0) continue;
        swapped_.push_back({&slots->u1.Function, static_cast<ULONG_PTR>(slots->u1.Function)});
        Write(&slots->u1.Function, replacement);
      }
    }
  }
  ~ImportSwap() {
    for (const Slot& s : swapped_) Write(s.slot, s.original);
  }
  ImportSwap(const ImportSwap&) = delete;
  ImportSwap& operator=(const ImportSwap&) = delete;
  bool swapped() const { return !swapped_.empty(); }

 private:
  using Entry = decltype(IMAGE_THUNK_DATA().u1.Function);
  struct Slot {
    Entry* slot;
    ULONG_PTR original;
  };
  static void Write(Entry* slot, ULONG_PTR value) {
    DWORD protection = 0;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection);
    *slot = static_cast<Entry>(value);
    VirtualProtect(slot, sizeof *slot, protection, &protection);
  }
  std::vector<Slot> swapped_;
};

}  // namespace ops
