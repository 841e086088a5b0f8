#include "install/install_record.h"

#include "install/task_line.h"

namespace {

// How a kind's fields sit in its stored line after the keyword.
enum class Layout {
  kTaskLine,         // the whole task line, fields as the task kind numbers them
  kPath,             // one path: everything after the keyword
  kPathThenName,     // a path, then one last field (the association's extension)
  kName,             // one name: everything after the keyword
};

struct KindInfo {
  RecordKind kind;
  const wchar_t* keyword;
  Layout layout;
};

// The first row of a kind is the keyword it is written with.
constexpr KindInfo kKinds[] = {
    {RecordKind::kRegistryValue, keyword::kRegAddValue, Layout::kTaskLine},
    {RecordKind::kRegistryKey, keyword::kRegAddKey, Layout::kTaskLine},
    {RecordKind::kLink, keyword::kNormalLink, Layout::kPath},
    {RecordKind::kLink, keyword::kInternetLink, Layout::kPath},
    {RecordKind::kCopy, keyword::kCopyFile, Layout::kPath},
    {RecordKind::kFolder, keyword::kCreateFolder, Layout::kPath},
    {RecordKind::kAssociation, keyword::kAssociate, Layout::kPathThenName},
    {RecordKind::kService, keyword::kInstallService, Layout::kName},
    {RecordKind::kServer, keyword::kRegisterServer, Layout::kPath},
};

const KindInfo* InfoOf(RecordKind kind) {
  for (const KindInfo& k : kKinds)
    if (k.kind == kind) return &k;
  return nullptr;
}

// The path-like field of a record: where FormatRecord takes it from.
const std::wstring& PathOf(const Record& r) {
  switch (r.kind) {
    case RecordKind::kAssociation: return r.programFile;
    case RecordKind::kService: return r.service;
    default: return r.path;
  }
}

}  // namespace

Record RegistryRecord(const std::wstring& taskLine) {
  const TaskFields f(taskLine);
  Record r;
  r.kind = f[1] == keyword::kRegAddValue ? RecordKind::kRegistryValue
           : f[1] == keyword::kRegAddKey ? RecordKind::kRegistryKey
                                  : RecordKind::kUnknown;
  r.taskLine = taskLine;
  r.root = f[2];
  if (r.kind == RecordKind::kRegistryValue) r.valueName = f[3];
  r.keyPath = f[5];
  return r;
}

Record PathRecord(RecordKind kind, const std::wstring& path) {
  Record r;
  r.kind = kind;
  r.path = path;
  return r;
}

Record AssociationRecord(const std::wstring& programFile, const std::wstring& extension) {
  Record r;
  r.kind = RecordKind::kAssociation;
  r.programFile = programFile;
  r.extension = extension;
  return r;
}

Record ServiceRecord(const std::wstring& service) {
  Record r;
  r.kind = RecordKind::kService;
  r.service = service;
  return r;
}

std::wstring FormatRecord(const Record& r) {
  const KindInfo* info = InfoOf(r.kind);
  if (!info) return std::wstring();
  switch (info->layout) {
    case Layout::kTaskLine:
      return r.taskLine;
    case Layout::kPathThenName:
      return info->keyword + (kPilcrow + PathOf(r)) + kPilcrow + r.extension;
    case Layout::kPath:
    case Layout::kName:
      break;
  }
  return info->keyword + (kPilcrow + PathOf(r));
}

Record ParseRecord(const std::wstring& line) {
  const size_t first = line.find(kPilcrow);
  const std::wstring keyword = line.substr(0, first);
  const std::wstring rest = first == std::wstring::npos ? std::wstring() : line.substr(first + 1);
  for (const KindInfo& k : kKinds) {
    if (keyword != k.keyword) continue;
    Record r;
    switch (k.layout) {
      case Layout::kTaskLine:
        return RegistryRecord(line);
      case Layout::kPath:
        r = PathRecord(k.kind, rest);
        break;
      case Layout::kName:
        r = ServiceRecord(rest);
        break;
      case Layout::kPathThenName: {
        const size_t last = rest.rfind(kPilcrow);
        r = last == std::wstring::npos ? AssociationRecord(rest, std::wstring())
                                       : AssociationRecord(rest.substr(0, last), rest.substr(last + 1));
        break;
      }
    }
    return r;
  }
  return Record();
}
