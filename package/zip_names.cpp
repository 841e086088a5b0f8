#include "package/zip_names.h"

#include "common/text.h"

namespace {

// Windows drops trailing dots and blanks from a part, so anything made of
// them with two dots or more may climb.
bool ClimbsOut(const std::wstring& part) {
  size_t dots = 0;
  for (wchar_t c : part) {
    if (c == L'.') ++dots;
    else if (c != L' ') return false;
  }
  return dots >= 2;
}

bool IsDeviceDigit(wchar_t c) { return (c >= L'1' && c <= L'9') || c == 0xB9 || c == 0xB2 || c == 0xB3; }

// Windows matches a part against the devices by the text before its first
// dot, without trailing blanks.
bool NamesDevice(const std::wstring& part) {
  const std::wstring base = text::TrimRight(part.substr(0, part.find(L'.')), L" ");
  switch (base.size()) {
    case 3:
      for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL"})
        if (text::EqualsNoCase(base, device)) return true;
      return false;
    case 4:
      return (text::EqualsNoCase(base.substr(0, 3), L"COM") || text::EqualsNoCase(base.substr(0, 3), L"LPT")) &&
             IsDeviceDigit(base[3]);
    default:
      return text::EqualsNoCase(base, L"CONIN$") || text::EqualsNoCase(base, L"CONOUT$");
  }
}

constexpr uint32_t kKeptAttributes = 0x01 | 0x02 | 0x04 | 0x20;  // read-only, hidden, system, archive

}  // namespace

std::wstring BackslashName(const std::wstring& name) { return text::ReplaceAll(name, L"/", L"\\"); }

std::wstring DropDrivePart(const std::wstring& name) {
  size_t at = name.find(L":\\");
  return at == std::wstring::npos ? name : name.substr(at + 2);
}

bool IsSafeEntryName(const std::wstring& name) {
  if (name.find(L':') != std::wstring::npos) return false;
  for (const std::wstring& part : text::Split(name, L'\\'))
    if (ClimbsOut(part) || NamesDevice(part)) return false;
  return true;
}

uint32_t WindowsAttributesOf(uint32_t externalAttributes) { return externalAttributes & kKeptAttributes; }

namespace {
constexpr unsigned kUnixTimeTag = 0x5455;
constexpr unsigned char kModificationTimeFlag = 0x01;

unsigned Read16(const unsigned char* p) { return unsigned(p[0]) | unsigned(p[1]) << 8; }
}  // namespace

void WriteUnixTimeField(uint32_t seconds, unsigned char field[kUnixTimeFieldSize]) {
  field[0] = kUnixTimeTag & 0xFF;
  field[1] = kUnixTimeTag >> 8;
  field[2] = 5;
  field[3] = 0;
  field[4] = kModificationTimeFlag;
  for (int i = 0; i < 4; ++i) field[5 + i] = static_cast<unsigned char>(seconds >> (8 * i));
}

bool FindUnixTime(const unsigned char* extra, size_t size, uint32_t* seconds) {
  size_t at = 0;
  while (size - at >= 4) {
    const unsigned tag = Read16(extra + at), length = Read16(extra + at + 2);
    const unsigned char* data = extra + at + 4;
    if (length > size - at - 4) return false;
    if (tag == kUnixTimeTag) {
      if (length < 5 || !(data[0] & kModificationTimeFlag)) return false;
      *seconds = uint32_t(data[1]) | uint32_t(data[2]) << 8 | uint32_t(data[3]) << 16 | uint32_t(data[4]) << 24;
      return true;
    }
    at += 4 + length;
  }
  return false;
}
