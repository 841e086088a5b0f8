#include "wizard/rich_text.h"

#include <richedit.h>

#include "common/system_api.h"
#include "common/text.h"

namespace {

struct Stream {
  const std::string* bytes;
  size_t at;
};

DWORD CALLBACK ReadStream(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* got) {
  auto* s = reinterpret_cast<Stream*>(cookie);
  size_t left = s->bytes->size() - s->at;
  size_t n = left < static_cast<size_t>(wanted) ? left : static_cast<size_t>(wanted);
  for (size_t i = 0; i < n; ++i) buffer[i] = static_cast<BYTE>((*s->bytes)[s->at + i]);
  s->at += n;
  *got = static_cast<LONG>(n);
  return 0;
}

}  // namespace

const wchar_t* LoadRichTextClass() {
  if (LoadSystemLibrary(L"riched20.dll")) return L"RichEdit20W";
  if (LoadSystemLibrary(L"riched32.dll")) return L"RichEdit";
  return nullptr;
}

std::wstring DocumentText(const std::string& bytes, unsigned codePage) {
  const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
  if (bytes.size() >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
    std::wstring w;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) w += static_cast<wchar_t>(b[i] | b[i + 1] << 8);
    return w;
  }
  if (bytes.size() >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF)
    return text::FromUtf8(bytes.data() + 3, bytes.size() - 3);
  std::wstring utf8 = text::FromUtf8(bytes);
  if (utf8.find(wchar_t(0xFFFD)) == std::wstring::npos) return utf8;
  int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), &w[0], n);
  return w;
}

void ShowDocument(HWND control, const std::string& bytes) {
  SendMessageW(control, EM_EXLIMITTEXT, 0, 0x7FFFFFFF);
  if (bytes.compare(0, 5, "{\\rtf") == 0) {
    Stream s = {&bytes, 0};
    EDITSTREAM es = {reinterpret_cast<DWORD_PTR>(&s), 0, ReadStream};
    SendMessageW(control, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&es));
  } else {
    SetWindowTextW(control, DocumentText(bytes, CP_ACP).c_str());
  }
  SendMessageW(control, EM_SETSEL, 0, 0);
}
