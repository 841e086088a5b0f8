// Other Windows versions under Wine: the version Wine reports to programs of
// one file name, DLLs it does not load for them, cases run again in a copy of
// the test program, and imports of this program put aside.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace drive {

// True in the 64-bit build.
constexpr bool kIs64Bit = sizeof(void*) == 8;
// The bits 16 to 23 of GetVersion, which tell the association layouts apart.
inline DWORD VersionBuildByte() { return (GetVersion() >> 16) & 0xFF; }

// Sets the Windows version that Wine reports to programs of this file name
// ("" for Wine's own).
void EmulateVersion(const std::wstring& exeName, const std::wstring& version);

// Wine reports `version` to programs of the file name `exeName` for the life
// of the object, however the test ends.
class EmulatedVersion {
 public:
  EmulatedVersion(const std::wstring& exeName, const std::wstring& version) : exeName_(exeName) {
    EmulateVersion(exeName, version);
  }
  ~EmulatedVersion() { EmulateVersion(exeName_, L""); }
  EmulatedVersion(const EmulatedVersion&) = delete;
  EmulatedVersion& operator=(const EmulatedVersion&) = delete;

 private:
  std::wstring exeName_;
};

// The Windows version Wine reports to programs of one file name, and DLLs
// it does not load for them; removed again with the object.
class AppSettings {
 public:
  explicit AppSettings(const std::wstring& exeName) : name_(exeName) {}
  ~AppSettings();
  AppSettings(const AppSettings&) = delete;
  AppSettings& operator=(const AppSettings&) = delete;
  void Version(const std::wstring& version) { EmulateVersion(name_, version); }
  void WithoutDll(const std::wstring& dll);

 private:
  std::wstring name_;
};

// Windows versions before XP, which no x86_64 program ever runs on, are
// emulated only in the i686 build: in the x86_64 build this prints that the
// case is left out, and returns true.
bool LeftOutOnX64(const std::wstring& version, const std::string& what);

// Runs the disabled cases that match `filter` in a copy of this test program
// for which Wine emulates `version` ("win98", "nt40", ...). Those are systems
// of 32-bit programs: the callers skip them in the 64-bit build (kIs64Bit). Succeeds when at
// least one case ran and all passed; their output joins this one's.
::testing::AssertionResult RunEmulated(const std::wstring& version, const std::wstring& filter);

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

}  // namespace drive
