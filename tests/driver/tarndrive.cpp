// tarndrive: walks a package by a script and prints what it sees.
//
//   tarndrive SCRIPT [SCREENSHOT-FOLDER]
//
// Script lines (blank lines and lines starting with "#" are skipped):
//   start PROGRAM [ARGUMENTS...]   start a package
//   version EXE-NAME VERSION       emulate a Windows version for a program name
//   window TITLE                   wait for a window with this title; it becomes current
//   show ID...                     print the texts of these controls of the current window
//   expect ID TEXT                 fail unless the control shows exactly TEXT
//   click ID                       press a button (or tick a box) of the current window
//   wait ID                        wait until the control is visible (a page has come up)
//   select ID INDEX                choose an item of a list
//   message BUTTON [TITLE]         wait for a message box, print it, press OK, YES or NO
//   box BUTTON TITLE               the same for a message box of any program
//   screenshot NAME                save the current window as NAME.png
//   gone                           wait until the current window has closed
//   exit CODE                      wait for the package to end with this exit code
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tests/driver/driver.h"
#include "tests/driver/emulation.h"
#include "tests/driver/screen.h"

namespace {

std::vector<std::wstring> Words(const std::wstring& line) {
  std::vector<std::wstring> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && line[i] == L' ') ++i;
    if (i >= line.size()) break;
    if (line[i] == L'"') {
      size_t end = line.find(L'"', i + 1);
      if (end == std::wstring::npos) end = line.size();
      words.push_back(line.substr(i + 1, end - i - 1));
      i = end + 1;
    } else {
      size_t end = line.find(L' ', i);
      if (end == std::wstring::npos) end = line.size();
      words.push_back(line.substr(i, end - i));
      i = end;
    }
  }
  return words;
}

std::wstring Widen(const std::string& s) {
  int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  if (n) MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), &w[0], n);
  return w;
}

int Fail(int line, const std::string& what) {
  std::printf("line %d: %s\n", line, what.c_str());
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::printf("usage: tarndrive SCRIPT [SCREENSHOT-FOLDER]\n");
    return 2;
  }
  std::ifstream in(drive::Narrow(argv[1]));
  if (!in) return Fail(0, "cannot read the script");
  std::wstring shots = argc > 2 ? argv[2] : L".";
  if (!shots.empty() && shots.back() != L'\\') shots += L'\\';
  CreateDirectoryW(shots.c_str(), nullptr);

  drive::Process process;
  HWND window = nullptr;
  std::string raw;
  int number = 0;
  while (std::getline(in, raw)) {
    ++number;
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    std::vector<std::wstring> w = Words(Widen(raw));
    if (w.empty() || w[0][0] == L'#') continue;
    const std::wstring& cmd = w[0];
    if (cmd == L"start" && w.size() >= 2) {
      std::wstring args;
      for (size_t i = 2; i < w.size(); ++i) args += (i > 2 ? L" " : L"") + (L"\"" + w[i] + L"\"");
      process = drive::Start(w[1], args);
      if (!process.started()) return Fail(number, "cannot start " + drive::Narrow(w[1]));
      std::printf("started %s\n", drive::Narrow(w[1]).c_str());
    } else if (cmd == L"version" && w.size() == 3) {
      drive::EmulateVersion(w[1], w[2]);
    } else if (cmd == L"window" && w.size() == 2) {
      window = drive::WaitWindow(process, w[1]);
      if (!window) return Fail(number, "no window \"" + drive::Narrow(w[1]) + "\"");
      std::printf("window \"%s\"\n", drive::Narrow(w[1]).c_str());
    } else if (cmd == L"show") {
      for (size_t i = 1; i < w.size(); ++i) {
        int id = _wtoi(w[i].c_str());
        std::printf("  [%d]%s %s\n", id, drive::Visible(window, id) ? "" : " (hidden)",
                    drive::Narrow(drive::Text(window, id)).c_str());
      }
    } else if (cmd == L"expect" && w.size() == 3) {
      std::wstring shown = drive::Text(window, _wtoi(w[1].c_str()));
      if (shown != w[2]) return Fail(number, "control shows \"" + drive::Narrow(shown) + "\"");
    } else if (cmd == L"click" && w.size() == 2) {
      if (!drive::Click(window, _wtoi(w[1].c_str()))) return Fail(number, "cannot press " + drive::Narrow(w[1]));
      std::printf("pressed %s\n", drive::Narrow(w[1]).c_str());
    } else if (cmd == L"wait" && w.size() == 2) {
      int id = _wtoi(w[1].c_str());
      if (!drive::WaitUntil([&] { return drive::Visible(window, id); }, 120000))
        return Fail(number, "control " + drive::Narrow(w[1]) + " does not appear");
    } else if (cmd == L"select" && w.size() == 3) {
      if (!drive::Select(window, _wtoi(w[1].c_str()), _wtoi(w[2].c_str())))
        return Fail(number, "cannot select in " + drive::Narrow(w[1]));
    } else if (cmd == L"message" && w.size() >= 2) {
      drive::MessageBoxInfo box = drive::WaitMessageBox(process);
      if (!box.window) return Fail(number, "no message box");
      std::printf("message \"%s\" (%s icon): %s\n", drive::Narrow(box.title).c_str(), drive::IconName(box.icon),
                  drive::Narrow(box.text).c_str());
      if (w.size() >= 3 && box.title != w[2]) return Fail(number, "unexpected message title");
      int button = w[1] == L"YES" ? IDYES : w[1] == L"NO" ? IDNO : IDOK;
      drive::Answer(box, button);
    } else if (cmd == L"box" && w.size() == 3) {
      drive::MessageBoxInfo box = drive::WaitMessageBoxTitled(w[2]);
      if (!box.window) return Fail(number, "no message box \"" + drive::Narrow(w[2]) + "\"");
      std::printf("message \"%s\" (%s icon): %s\n", drive::Narrow(box.title).c_str(), drive::IconName(box.icon),
                  drive::Narrow(box.text).c_str());
      drive::Answer(box, w[1] == L"YES" ? IDYES : w[1] == L"NO" ? IDNO : IDOK);
    } else if (cmd == L"screenshot" && w.size() == 2) {
      if (drive::SaveScreenshot(window, shots + w[1] + L".png"))
        std::printf("screenshot %s.png\n", drive::Narrow(w[1]).c_str());
    } else if (cmd == L"gone") {
      if (!drive::WaitGone(window)) return Fail(number, "the window stays");
    } else if (cmd == L"exit" && w.size() == 2) {
      DWORD code = process.WaitExit();
      if (code == STILL_ACTIVE) return Fail(number, "the package did not end");
      std::printf("ended with exit code %lu\n", code);
      if (code != static_cast<DWORD>(_wtoi(w[1].c_str()))) return Fail(number, "unexpected exit code");
    } else {
      return Fail(number, "cannot understand: " + raw);
    }
    std::fflush(stdout);
  }
  return 0;
}
