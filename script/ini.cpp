#include "script/ini.h"

#include "common/text.h"
#include "common/work_meter.h"

namespace {

bool IsLineEnd(wchar_t c) { return c == L'\r' || c == L'\n'; }

}  // namespace

void IniDocument::Clear() {
  lines_.clear();
  begin_ = end_ = cursor_ = 0;
}

void IniDocument::Parse(const char* bytes, size_t length) {
  Clear();
  std::wstring content;
  if (length >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF && static_cast<unsigned char>(bytes[1]) == 0xBB &&
      static_cast<unsigned char>(bytes[2]) == 0xBF) {
    content = text::FromUtf8(bytes + 3, length - 3);
  } else {
    content = text::FromLatin1(bytes, length);
  }
  size_t i = 0;
  while (i < content.size()) {
    CountWork();
    size_t end = i;
    while (end < content.size() && !IsLineEnd(content[end])) ++end;
    std::wstring line = text::TrimLeft(content.substr(i, end - i));
    i = end;
    while (i < content.size() && IsLineEnd(content[i])) ++i;
    if (line.empty() || line[0] == L';') continue;
    if (line[0] == L'[') {
      size_t close = line.find(L']');
      lines_.push_back({true, line.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1), L""});
      continue;
    }
    size_t equals = line.find(L'=');
    if (equals == std::wstring::npos) {
      lines_.push_back({false, text::TrimRight(line), L""});
    } else {
      lines_.push_back({false, text::TrimRight(line.substr(0, equals)), text::Trim(line.substr(equals + 1))});
    }
  }
  SelectGroup(L"");
}

void IniDocument::SelectGroup(const std::wstring& name) {
  begin_ = end_ = cursor_ = 0;
  size_t start = std::wstring::npos;
  if (name.empty()) {
    start = 0;
  } else {
    for (size_t i = 0; i < lines_.size(); ++i) {
      CountWork();
      if (lines_[i].header && text::EqualsNoCase(lines_[i].name, name)) {
        start = i + 1;
        break;
      }
    }
  }
  if (start == std::wstring::npos) return;
  size_t stop = start;
  while (stop < lines_.size() && !lines_[stop].header) {
    CountWork();
    ++stop;
  }
  begin_ = start;
  end_ = stop;
}

std::wstring IniDocument::ReadText(const std::wstring& key, const std::wstring& fallback) const {
  for (size_t i = begin_; i < end_; ++i) {
    CountWork();
    if (text::EqualsNoCase(lines_[i].name, key)) return lines_[i].value;
  }
  return fallback;
}

bool IniDocument::FirstKey() {
  cursor_ = begin_;
  return cursor_ < end_;
}

bool IniDocument::NextKey() {
  if (cursor_ < end_) ++cursor_;
  return cursor_ < end_;
}

std::wstring IniDocument::KeyName() const { return cursor_ < end_ ? lines_[cursor_].name : std::wstring(); }
std::wstring IniDocument::KeyValue() const { return cursor_ < end_ ? lines_[cursor_].value : std::wstring(); }
