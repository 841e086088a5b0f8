// Every function that the setup stub and the uninstaller look up at run
// time, because an older system may lack it, with its fallback.
#pragma once

#include <string>
#include <vector>

#include "common/prelude.h"

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
