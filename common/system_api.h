// Every function that the setup stub and the uninstaller look up at run
// time, because an older system may lack it, with its fallback.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/prelude.h"

#include <oleauto.h>

// Restricts the DLL search path to the system folder, so that a DLL planted
// beside a downloaded package is never loaded. Does nothing where the kernel
// lacks SetDefaultDllDirectories.
void RestrictDllSearchPath();

// Loads a system DLL by its full path in the system folder.
HMODULE LoadSystemLibrary(const wchar_t* name);

// The user's temporary folder with a trailing backslash, converted to its
// long form when the kernel exports GetLongPathNameW.
std::wstring TempFolder();

// The final path of an open file or folder as the system names it
// ("\\?\C:\...", links resolved), where the kernel exports
// GetFinalPathNameByHandleW; empty elsewhere.
std::wstring FinalPathOf(HANDLE file);

// The system's own upper case of a text (CharUpperBuffW; the same letters
// in every language setting).
std::wstring UpperCaseHere(const std::wstring& s);

// True when two texts are equal without regard to case, by the mapping the
// file systems use: CompareStringOrdinal where the kernel has it, else the
// upper case of both.
bool SameTextNoCase(const std::wstring& a, const std::wstring& b);

// The path of a known folder (SHGetKnownFolderPath, where the shell has
// it: Windows Vista and later); empty where it is unknown.
std::wstring KnownFolderPath(const GUID& id);

// The computer's names: its NetBIOS name, and where the kernel exports
// GetComputerNameExW its DNS host and fully qualified names.
std::vector<std::wstring> ComputerNames();

// Functions that Windows 95 and NT 3.51 lack, each with its fallback.

// The size of an open file and a move to `offset` from its start, through
// the high parts that every system's 32-bit calls have.
bool FileSizeOf(HANDLE file, int64_t* size);
bool SeekTo(HANDLE file, int64_t offset);

// The free bytes of a drive (`root` ends with a backslash) and its size:
// the caller's share where the kernel has GetDiskFreeSpaceExW, else the
// drive's free clusters. False when the drive cannot be read.
bool FreeSpaceOf(const wchar_t* root, uint64_t* freeToCaller, uint64_t* total = nullptr);

// Attributes, size and times of a file or folder: GetFileAttributesExW
// where the kernel has it, else the folder search's record.
bool AttributeDataOf(const wchar_t* path, WIN32_FILE_ATTRIBUTE_DATA* data);

// The long form of a path (GetLongPathNameW, Windows 98 and 2000); the path
// itself elsewhere or when it does not exist.
std::wstring LongPathOf(const std::wstring& path);

// The language of the user's interface; the user's language elsewhere.
LANGID UserInterfaceLanguage();

// The top-level window that holds `window`.
HWND TopWindowOf(HWND window);

// Asks for WM_MOUSELEAVE when the mouse leaves `window` (user32's
// TrackMouseEvent, else the common controls' own). False where neither is.
bool NotifyMouseLeave(HWND window);

// The brush of a system colour, never to be deleted.
HBRUSH SystemColourBrush(int colour);

// Loads the common controls (by name, so that the manifest's version is the
// one loaded) and registers the classes in `classes`, else those in
// `fallback` (older versions know fewer).
void StartCommonControls(DWORD classes, DWORD fallback);

// A security descriptor from its text form (free with LocalFree); null
// where the system lacks the conversion.
PSECURITY_DESCRIPTOR DescriptorFromText(const wchar_t* text);

// A running process: its id, its parent's id (0 when unknown) and the name
// of its program (9x systems give the full path, NT systems the file name).
struct RunningProcess {
  DWORD id;
  DWORD parentId;
  std::wstring exeFile;
};

// Every running process: from the tool-help snapshot, else (NT 4.0) from
// the process status library, without parents; empty where neither is.
std::vector<RunningProcess> RunningProcesses();

// The full path of a process's program; empty when it cannot be read.
std::wstring ProgramPathOf(DWORD processId);

// True when this process runs with an elevated token (Windows Vista and
// later); false elsewhere.
bool RunsElevated();

// The shell's functions, from shell32.dll of 95 and NT 4.0 (that of NT 3.51
// has none of them); each fails where it is missing.
struct _SHELLEXECUTEINFOW;
struct _ITEMIDLIST;
struct _browseinfoW;
BOOL ShellExecuteInfo(_SHELLEXECUTEINFOW* info);
HRESULT SpecialFolderIdList(int csidl, _ITEMIDLIST** list);
BOOL PathOfIdList(const _ITEMIDLIST* list, wchar_t* path);
_ITEMIDLIST* BrowseForFolder(_browseinfoW* info);

// Tells the shell that file associations changed.
void AnnounceAssociationChange();

// The automation library's string and variant functions (oleaut32.dll).
struct AutomationApi {
  BSTR(WINAPI* allocString)(const OLECHAR*);
  void(WINAPI* freeString)(BSTR);
  void(WINAPI* variantInit)(VARIANTARG*);
  HRESULT(WINAPI* variantClear)(VARIANTARG*);
};

// The entries, loaded on first use; null where the library or one of them
// is missing.
const AutomationApi* Automation();

// A program that holds a file, as the Restart Manager names it.
struct HoldingProgram {
  DWORD processId;
  std::wstring name;  // the name it shows, else its file name
  bool restartable;   // it registered to be started again after a shutdown
};

// The programs holding `path`, from the Restart Manager (rstrtmgr.dll,
// Windows Vista and later); empty where the system lacks it or it finds none.
std::vector<HoldingProgram> ProgramsHolding(const std::wstring& path);

// Closes the programs holding `path` through the Restart Manager, whose
// session stays open until RestartClosedPrograms. False where the system
// lacks it or it could not close them.
bool CloseProgramsHolding(const std::wstring& path);

// Starts again the programs the Restart Manager closed that registered for
// it, and ends its sessions.
void RestartClosedPrograms();

// Screen resolution. Sizes are given in units of 1/96 inch and shown at the
// dots per inch (DPI) of the monitor a window is on.

// Declares the process aware of each monitor's DPI: per-monitor v2 where
// the system knows it (Windows 10 1703), else per-monitor (1607), else the
// system DPI (Vista). The manifest says so first; this covers a start
// without it. Does nothing where the system has none of these.
void DeclareDpiAwareness();

// The DPI of the screen the process was started for (96 where unknown).
int SystemDpi();

// The DPI of a window's monitor: GetDpiForWindow (Windows 10 1607), else
// the system DPI.
int DpiOfWindow(HWND window);

// The outer size of a window whose client area is `r`, for a DPI:
// AdjustWindowRectExForDpi (Windows 10 1607), else AdjustWindowRectEx.
void WindowRectForDpi(RECT* r, DWORD style, DWORD exStyle, int dpi);
