// Feeds arbitrary entry names and attributes to the rules of the archive
// entries. Input: 2 bytes "version made by", 4 bytes external attributes
// (both little-endian), then the name in UTF-8. A name that is taken must
// pass checks written here apart from the rules themselves. The whole input
// is also read as an entry's extra block.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/text.h"
#include "package/zip_names.h"

namespace {

std::wstring Upper(const std::wstring& s) {
  std::wstring r(s);
  for (wchar_t& c : r)
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - 32);
  return r;
}

// Dots and blanks only, two dots or more: Windows may read it as "..".
bool CouldClimb(const std::wstring& part) {
  return part.find_first_not_of(L". ") == std::wstring::npos && part.find(L'.') != part.rfind(L'.');
}

bool IsDevice(const std::wstring& part) {
  std::wstring base = part;
  size_t dot = base.find(L'.');
  if (dot != std::wstring::npos) base.erase(dot);
  while (!base.empty() && base.back() == L' ') base.pop_back();
  base = Upper(base);
  static const wchar_t* const kFixed[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
  for (const wchar_t* d : kFixed)
    if (base == d) return true;
  const std::wstring digits = L"123456789\u00B9\u00B2\u00B3";
  for (wchar_t digit : digits) {
    if (base == std::wstring(L"COM") + digit) return true;
    if (base == std::wstring(L"LPT") + digit) return true;
  }
  return false;
}

void CheckName(const std::wstring& raw) {
  const std::wstring slashed = BackslashName(raw);
  if (slashed.size() != raw.size() || slashed.find(L'/') != std::wstring::npos) __builtin_trap();
  for (size_t i = 0; i < raw.size(); ++i)
    if (raw[i] != L'/' && raw[i] != slashed[i]) __builtin_trap();

  const std::wstring name = DropDrivePart(slashed);
  const size_t drive = slashed.find(L":\\");
  if (drive == std::wstring::npos ? name != slashed : name != slashed.substr(drive + 2)) __builtin_trap();

  if (!IsSafeEntryName(name)) return;
  if (name.find(L':') != std::wstring::npos) __builtin_trap();
  size_t from = 0;
  for (;;) {
    size_t end = name.find(L'\\', from);
    std::wstring part = name.substr(from, end == std::wstring::npos ? std::wstring::npos : end - from);
    if (part == L".." || CouldClimb(part) || IsDevice(part)) __builtin_trap();
    if (end == std::wstring::npos) break;
    from = end + 1;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A time field put before any block is the one found.
  uint32_t seconds = 0;
  FindUnixTime(data, size, &seconds);
  std::basic_string<unsigned char> block(kUnixTimeFieldSize, 0);
  WriteUnixTimeField(seconds ^ 0x5A5A5A5A, &block[0]);
  block.append(data, size);
  uint32_t found = 0;
  if (!FindUnixTime(block.data(), block.size(), &found) || found != (seconds ^ 0x5A5A5A5A)) __builtin_trap();

  if (size < 6) return 0;
  const uint32_t external = uint32_t(data[2]) | uint32_t(data[3]) << 8 | uint32_t(data[4]) << 16 | uint32_t(data[5]) << 24;
  const uint32_t attributes = WindowsAttributesOf(external);
  if (attributes & ~uint32_t{0x27}) __builtin_trap();      // read-only, hidden, system, archive only
  if (attributes != (external & 0x27)) __builtin_trap();   // from the low byte, whatever the high word says

  const std::wstring raw = text::FromUtf8(reinterpret_cast<const char*>(data) + 6, size - 6);
  CheckName(raw);
  // The parts are judged one by one: a name is safe exactly when both
  // halves around a backslash are.
  const size_t half = raw.size() / 2;
  const std::wstring a = BackslashName(raw.substr(0, half)), b = BackslashName(raw.substr(half));
  if (IsSafeEntryName(a + L"\\" + b) != (IsSafeEntryName(a) && IsSafeEntryName(b))) __builtin_trap();
  return 0;
}
