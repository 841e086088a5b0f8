#include "startup/switches.h"

namespace {

constexpr SwitchRow kSwitches[] = {
    {L"/S", L"install without any window or question"},
    {L"/S /PASSIVE", L"install showing only the progress, asking nothing"},
    {L"/D=folder", L"the install folder, right after /S (or /S /PASSIVE)"},
    {L"/LOG=file", L"write a log"},
    {L"/CLOSEAPPLICATIONS", L"close programs holding files to be replaced"},
    {L"-u folder", L"only unpack the package into the folder"},
    {L"/?", L"this list"},
};

constexpr SwitchRow kExitCodes[] = {
    {L"0", L"installed"},
    {L"3010", L"installed; a restart completes it"},
    {L"1602", L"cancelled"},
    {L"1603", L"failed; nothing was installed (the log says why)"},
    {L"1618", L"another installation is in progress"},
    {L"1639", L"the command line was not understood"},
};

constexpr size_t kColumn = 20;  // where the meanings begin

void AddRows(std::wstring* out, const SwitchRow* rows, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    std::wstring item = rows[i].item;
    item.resize(item.size() < kColumn ? kColumn : item.size() + 1, L' ');
    *out += L"\r\n  " + item + rows[i].meaning;
  }
}

}  // namespace

const SwitchRow* Switches(size_t* count) {
  *count = sizeof kSwitches / sizeof kSwitches[0];
  return kSwitches;
}

const SwitchRow* ExitCodes(size_t* count) {
  *count = sizeof kExitCodes / sizeof kExitCodes[0];
  return kExitCodes;
}

std::wstring SwitchesText() {
  std::wstring out = L"Switches:";
  AddRows(&out, kSwitches, sizeof kSwitches / sizeof kSwitches[0]);
  out += L"\r\nExit codes of unattended runs (/S):";
  AddRows(&out, kExitCodes, sizeof kExitCodes / sizeof kExitCodes[0]);
  return out;
}
