#include "tools/tarnpack/package_report.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "common/text.h"
#include "install/messages.h"
#include "package/archive_ends.h"
#include "package/messages.h"
#include "package/trailer.h"
#include "package/version_info.h"
#include "package/zip_names.h"
#include "script/ini.h"
#include "script/settings.h"
#include "startup/messages.h"
#include "startup/switches.h"
#include "tools/tarnpack/fs.h"
#include "tools/tarnpack/pe_resources.h"
#include "tools/tarnpack/signing.h"
#include "wizard/size_format.h"

extern "C" {
#include "unzip.h"
}

namespace {

std::string U8(const std::wstring& s) { return text::ToUtf8(s); }

bool ReadAt(void* file, int64_t offset, unsigned char* out, int count) {
  FILE* f = static_cast<FILE*>(file);
  return offset >= 0 && count >= 0 && std::fseek(f, static_cast<long>(offset), SEEK_SET) == 0 &&
         std::fread(out, 1, static_cast<size_t>(count), f) == static_cast<size_t>(count);
}

// One archive of the package, read in place: the ZIP reader sees the bytes
// from `base` on, `length` of them, as a file of its own.
struct Slice {
  FILE* file;
  int64_t base, length, at;
};

bool ReadSlice(void* slice, int64_t offset, unsigned char* out, int count) {
  const Slice* s = static_cast<const Slice*>(slice);
  return offset >= 0 && offset + count <= s->length && ReadAt(s->file, s->base + offset, out, count);
}

voidpf SliceOpen(voidpf, const void* slice, int) { return const_cast<void*>(slice); }
uLong SliceRead(voidpf, voidpf stream, void* buffer, uLong size) {
  Slice* s = static_cast<Slice*>(stream);
  const int64_t left = s->length - s->at;
  const uLong n = left <= 0 ? 0 : static_cast<uLong>(std::min<int64_t>(left, size));
  if (n && !ReadAt(s->file, s->base + s->at, static_cast<unsigned char*>(buffer), static_cast<int>(n))) return 0;
  s->at += n;
  return n;
}
uLong SliceWrite(voidpf, voidpf, const void*, uLong) { return 0; }
ZPOS64_T SliceTell(voidpf, voidpf stream) { return static_cast<ZPOS64_T>(static_cast<Slice*>(stream)->at); }
long SliceSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  Slice* s = static_cast<Slice*>(stream);
  const int64_t from = origin == ZLIB_FILEFUNC_SEEK_SET ? 0 : origin == ZLIB_FILEFUNC_SEEK_CUR ? s->at : s->length;
  s->at = from + static_cast<int64_t>(offset);
  return 0;
}
int SliceClose(voidpf, voidpf) { return 0; }
int SliceError(voidpf, voidpf) { return 0; }

struct Entry {
  std::wstring name;  // backslash form, as the stub writes it
  bool folder = false;
  uint64_t bytes = 0;
  std::string data;  // kept for the files of the information archive that are read
};

// The information archive's files that are read (its language files, the
// setup script, the statistics), each up to the first size and all up to
// the second: a larger one, or one after them, is read as empty, so that
// a small archive of huge files cannot take the memory.
constexpr size_t kKeptLimit = 16 << 20, kAllKeptLimit = 64 << 20;
bool IsLanguageFile(const std::wstring& name) {
  const std::wstring n = DropDrivePart(name);
  return text::EqualsNoCase(text::FolderPart(n), L"Languages\\") && text::EndsWithNoCase(n, L".ini");
}
bool IsKept(const std::wstring& name) {
  const std::wstring n = DropDrivePart(name);
  return IsLanguageFile(n) || text::EqualsNoCase(n, L"Config\\Script.ini") ||
         text::EqualsNoCase(n, L"Config\\Statistics.ini");
}

// The setup stub's own program, which holds its version information, is
// read up to this size.
constexpr int64_t kStubLimit = 64 << 20;

// Reads every entry of an archive whole, as the setup stub's extraction
// does: false when one of them would not be written whole (a name that does
// not fit, climbs out of the destination or names a device, an encrypted
// entry, data shared between entries, data that do not inflate, end early
// or fail their CRC-32) or the directory is not the one the end record
// states.
bool ReadArchive(FILE* file, int64_t base, int64_t length, bool keepData, std::vector<Entry>* entries) {
  Slice slice = {file, base, length, 0};
  const ArchiveEnds ends = ReadArchiveEnds(length, ReadSlice, &slice);
  if (ends.endRecordCut) return false;
  zlib_filefunc64_def io = {SliceOpen, SliceRead, SliceWrite, SliceTell, SliceSeek, SliceClose, SliceError, nullptr};
  unzFile zip = unzOpen2_64(&slice, &io);
  if (!zip) return ends.empty;
  unz_global_info64 global;
  bool whole = unzGetGlobalInfo64(zip, &global) == UNZ_OK;
  uint64_t visited = 0, directoryBytes = 0, stored = 0, kept = 0;
  std::vector<char> buffer(1 << 16);
  char raw[kNameBuffer];
  int r = global.number_entry ? unzGoToFirstFile(zip) : UNZ_END_OF_LIST_OF_FILE;
  for (; whole && r == UNZ_OK; r = unzGoToNextFile(zip)) {
    unz_file_info64 info;
    if (unzGetCurrentFileInfo64(zip, &info, raw, kNameBuffer - 1, nullptr, 0, nullptr, 0) != UNZ_OK) {
      r = UNZ_BADZIPFILE;
      break;
    }
    ++visited;
    directoryBytes += 46 + info.size_filename + info.size_file_extra + info.size_file_comment;
    stored += info.compressed_size;
    if (info.size_filename >= kNameBuffer - 1 || stored > ends.archiveSize || (info.flag & kEncryptedFlag)) {
      whole = false;
      break;
    }
    Entry e;
    const std::string bytes(raw, info.size_filename);
    std::wstring name;  // a name not marked UTF-8: one character a byte
    if (info.flag & kUtf8NameFlag) name = text::FromUtf8(bytes);
    else for (unsigned char c : bytes) name += static_cast<wchar_t>(c);
    e.name = BackslashName(name);
    e.folder = text::EndsWith(e.name, L"\\");
    e.bytes = info.uncompressed_size;
    if (!IsSafeEntryName(DropDrivePart(e.name)) || unzOpenCurrentFile(zip) != UNZ_OK) {
      whole = false;
      break;
    }
    uint64_t total = 0;
    const bool keep = keepData && !e.folder && IsKept(e.name) && kept < kAllKeptLimit;
    for (int got; (got = unzReadCurrentFile(zip, buffer.data(), static_cast<unsigned>(buffer.size()))) != 0;) {
      if (got < 0) {
        whole = false;
        break;
      }
      total += static_cast<unsigned>(got);
      if (keep && total <= kKeptLimit) e.data.append(buffer.data(), static_cast<size_t>(got));
    }
    if (total > kKeptLimit) std::string().swap(e.data);
    kept += e.data.size();
    if (unzCloseCurrentFile(zip) != UNZ_OK || total != info.uncompressed_size) whole = false;
    entries->push_back(std::move(e));
  }
  if (whole && r != UNZ_END_OF_LIST_OF_FILE) whole = false;
  if (whole && ends.directoryKnown && (directoryBytes != ends.directorySize || visited != ends.directoryEntries))
    whole = false;
  unzClose(zip);
  return whole;
}

const Entry* FindEntry(const std::vector<Entry>& entries, const std::wstring& name) {
  for (const Entry& e : entries)
    if (text::EqualsNoCase(DropDrivePart(e.name), name)) return &e;
  return nullptr;
}

void ReadIdentity(FILE* file, int64_t stubLength, Inspection* out) {
  stubLength = std::min(stubLength, kStubLimit);
  std::string stub(static_cast<size_t>(stubLength), '\0');
  std::vector<Resource> resources;
  std::string error;
  if (stubLength <= 0 || !ReadAt(file, 0, reinterpret_cast<unsigned char*>(&stub[0]), static_cast<int>(stubLength)) ||
      !ReadResources(stub, &resources, &error))
    return;
  for (const Resource& r : resources) {
    if (!r.type.text.empty() || r.type.id != kRtVersion) continue;
    const auto* block = reinterpret_cast<const unsigned char*>(r.data.data());
    out->description = U8(VersionString(block, r.data.size(), L"FileDescription"));
    out->fileVersion = U8(VersionString(block, r.data.size(), L"FileVersion"));
    out->productName = U8(VersionString(block, r.data.size(), L"ProductName"));
    out->company = U8(VersionString(block, r.data.size(), L"CompanyName"));
    out->platform = U8(VersionString(block, r.data.size(), L"SetupPlatform"));
    return;
  }
}

void CheckSignature(const std::string& path, const std::string& caFile, Inspection* out) {
  if (!out->isSigned) {
    out->verdict = "not signed";
    return;
  }
  if (!fs::RunsPrograms()) {
    out->verdict = "not checked: the Windows build of tarnpack does not run osslsigncode";
    return;
  }
  std::vector<std::string> verify = {"osslsigncode", "verify"};
  if (!caFile.empty()) verify.insert(verify.end(), {"-CAfile", caFile});
  verify.insert(verify.end(), {"-in", path});
  int code = -1;
  std::string output, error;
  if (!fs::RunProgram(verify, &code, &output, &error)) {
    out->verdict = "not checked: " + error;
    return;
  }
  out->checked = true;
  const VerifyReport report = ReadVerifyReport(output);
  out->signer = report.signer;
  out->timestamp = report.timestamp;
  out->valid = code == 0;
  out->verdict = out->valid ? "valid"
                 : !report.digestsMatch ? "not valid: the file is not the one that was signed"
                 : !report.problem.empty() ? "not valid: " + report.problem
                                           : "not valid (osslsigncode verify, exit code " + std::to_string(code) + ")";
}

// A value from the package as it may reach a terminal: control characters
// (C0, DEL, C1, whose ESC and CSI start escape sequences) and the
// direction overrides, which reorder what follows them, are written as
// \xHH or \uHHHH.
std::string Shown(const std::string& s) {
  std::string out;
  char code[8];
  for (size_t i = 0; i < s.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    const unsigned char d = i + 1 < s.size() ? static_cast<unsigned char>(s[i + 1]) : 0;
    const unsigned char e = i + 2 < s.size() ? static_cast<unsigned char>(s[i + 2]) : 0;
    if (c < 0x20 || c == 0x7F) {
      std::snprintf(code, sizeof code, "\\x%02X", c);
      out += code;
    } else if (c == 0xC2 && d >= 0x80 && d <= 0x9F) {
      std::snprintf(code, sizeof code, "\\u%04X", d);
      out += code, i += 1;
    } else if (c == 0xE2 && ((d == 0x80 && e >= 0xAA && e <= 0xAE) || (d == 0x81 && e >= 0xA6 && e <= 0xA9))) {
      std::snprintf(code, sizeof code, "\\u%04X", 0x2000 | (d & 0x3F) << 6 | (e & 0x3F));
      out += code, i += 2;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string Grouped(uint64_t n) {
  std::string digits = std::to_string(n), out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

// A tiny JSON writer: values are appended with the commas between them.
class Json {
 public:
  Json& Open(const char* key, char bracket) { return Key(key).Raw(std::string(1, bracket), true); }
  Json& Close(char bracket) {
    out_ += bracket;
    first_ = false;
    return *this;
  }
  Json& Text(const char* key, const std::string& value) { return Key(key).Raw(Quoted(value), false); }
  Json& Number(const char* key, uint64_t value) { return Key(key).Raw(std::to_string(value), false); }
  Json& Flag(const char* key, bool value) { return Key(key).Raw(value ? "true" : "false", false); }
  Json& Null(const char* key) { return Key(key).Raw("null", false); }
  const std::string& str() const { return out_; }

 private:
  static std::string Quoted(const std::string& s) {
    std::string q = "\"";
    for (unsigned char c : s) {
      if (c == '"' || c == '\\') q += '\\', q += static_cast<char>(c);
      else if (c == '\n') q += "\\n";
      else if (c == '\r') q += "\\r";
      else if (c == '\t') q += "\\t";
      else if (c < 0x20) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\u%04x", c);
        q += hex;
      } else {
        q += static_cast<char>(c);
      }
    }
    return q + "\"";
  }
  Json& Key(const char* key) {
    if (!first_) out_ += ',';
    if (key) out_ += Quoted(key) + ':';
    return *this;
  }
  Json& Raw(const std::string& s, bool opens) {
    out_ += s;
    first_ = opens;
    return *this;
  }
  std::string out_;
  bool first_ = true;
};

}  // namespace

bool InspectPackage(const std::string& path, const std::string& caFile, Inspection* out, std::string* refusal) {
  *out = Inspection();
  out->path = path;
  FILE* file = fs::OpenForReading(path);
  if (!file) {
    *refusal = "cannot read " + path;
    return false;
  }
  struct Closer {
    FILE* f;
    ~Closer() { std::fclose(f); }
  } closer = {file};
  if (std::fseek(file, 0, SEEK_END) != 0 || (out->size = std::ftell(file)) < 0) {
    *refusal = "cannot read " + path;
    return false;
  }

  // The stub's judgement, in the stub's order and words.
  PackageLayout layout;
  const TrailerState state = ReadPackageLayout(out->size, ReadAt, file, &layout);
  if (state != TrailerState::kWhole) {
    *refusal = U8(state == TrailerState::kIncomplete ? package_text::kIncomplete : package_text::kCorrupted);
    return false;
  }
  std::vector<Entry> info, payload;
  const bool infoWhole = ReadArchive(file, layout.infoOffset, layout.infoLength, true, &info);
  // The stub needs one usable localization file (Languages\*.ini with a
  // "Language"); a damaged information archive is refused here as a whole.
  for (const Entry& e : info) {
    if (e.folder || !IsLanguageFile(e.name)) continue;
    IniDocument language;
    language.Parse(e.data.data(), e.data.size());
    language.SelectGroup(L"TSF Localization File");
    const std::wstring named = language.ReadText(L"Language", L"");
    if (!text::Trim(named, L" ").empty()) out->languages.push_back(U8(named));
  }
  if (!infoWhole || out->languages.empty()) {
    *refusal = U8(startup_text::kCorruptedNoLanguage);
    return false;
  }
  if (!ReadArchive(file, layout.payloadOffset, layout.payloadLength, false, &payload)) {
    *refusal = U8(messages::kNotUnpacked);
    return false;
  }

  unsigned char head[kPeHeadSize] = {};
  const int headLength = static_cast<int>(std::min<int64_t>(out->size, kPeHeadSize));
  PeHeaders pe;
  if (ReadAt(file, 0, head, headLength) && ReadPeHeaders(head, headLength, &pe)) {
    char machine[16];
    std::snprintf(machine, sizeof machine, "0x%04X", pe.machine);
    out->architecture = pe.machine == 0x14C ? "x86" : pe.machine == 0x8664 ? "x64" : machine;
    out->isSigned = pe.Signed();
  }
  ReadIdentity(file, layout.payloadOffset, out);

  if (const Entry* script = FindEntry(info, L"Config\\Script.ini")) {
    SetupSettings s;
    IniDocument ini(script->data);
    ReadSetupSettings(ini, &s);
    out->product = U8(text::Trim(s.programName));
    out->version = U8(text::Trim(s.programVersion));
    out->publisher = U8(text::Trim(s.companyName));
    out->website = U8(text::Trim(s.website));
    for (const TaskEntry& t : s.installTasks) out->installTasks.push_back({U8(t.name), U8(t.line)});
    for (const TaskEntry& t : s.uninstallTasks) out->uninstallTasks.push_back({U8(t.name), U8(t.line)});
  }
  if (const Entry* statistics = FindEntry(info, L"Config\\Statistics.ini")) {
    out->requiredKnown = true;
    out->requiredSpace = RequiredSpaceOf(reinterpret_cast<const unsigned char*>(statistics->data.data()),
                                         statistics->data.size());
  }

  std::vector<InspectedFile> files;
  for (const Entry& e : payload) {
    if (e.folder) continue;
    std::wstring name = DropDrivePart(e.name);
    std::replace(name.begin(), name.end(), L'\\', L'/');
    files.push_back({U8(name), e.bytes});
    out->totalBytes += e.bytes;
  }
  out->fileCount = files.size();
  std::stable_sort(files.begin(), files.end(),
                   [](const InspectedFile& a, const InspectedFile& b) { return a.bytes > b.bytes; });
  if (files.size() > kLargestShown) files.resize(kLargestShown);
  out->largest = files;

  CheckSignature(path, caFile, out);
  return true;
}

std::string InspectionText(const Inspection& in) {
  auto row = [](const char* label, const std::string& value) {
    std::string line = label;
    if (!value.empty()) line.resize(17, ' ');
    return line + Shown(value) + "\n";
  };
  auto orNone = [](const std::string& s) { return s.empty() ? std::string("(none)") : s; };
  std::string t;
  t += row("Package:", in.path + " (" + Grouped(static_cast<uint64_t>(in.size)) + " bytes)");
  t += row("Setup stub:", in.architecture + (in.platform.empty() ? "" : ", " + in.platform) + "; version information: " + orNone(in.description) +
                              (in.fileVersion.empty() ? "" : " " + in.fileVersion) +
                              (in.company.empty() ? "" : " (" + in.company + ")"));
  std::string signature = in.verdict;
  if (in.checked)
    signature = "signed by " + orNone(in.signer) + ", time stamp " + (in.timestamp.empty() ? "none" : in.timestamp) +
                ", " + in.verdict;
  t += row("Signature:", signature);
  t += row("Product:", orNone(in.product));
  t += row("Version:", orNone(in.version));
  t += row("Company:", orNone(in.publisher));
  t += row("Web site:", orNone(in.website));
  std::string languages;
  for (const std::string& l : in.languages) languages += (languages.empty() ? "" : ", ") + l;
  t += row("Languages:", languages);
  const std::pair<const char*, const std::vector<InspectedTask>*> lists[] = {{"Install tasks:", &in.installTasks},
                                                                            {"Uninstall tasks:", &in.uninstallTasks}};
  for (const auto& list : lists) {
    t += row(list.first, list.second->empty() ? "(none)" : std::to_string(list.second->size()));
    for (const InspectedTask& task : *list.second) t += "  " + Shown(task.name) + " = " + Shown(task.line) + "\n";
  }
  t += row("Payload:", Grouped(in.fileCount) + (in.fileCount == 1 ? " file, " : " files, ") +
                           Grouped(in.totalBytes) + " bytes (" + U8(FormatSize(in.totalBytes, 1)) + ")");
  t += row("Largest files:", in.largest.empty() ? "(none)" : "");
  for (const InspectedFile& f : in.largest) {
    std::string size = Grouped(f.bytes);
    if (size.size() < 15) size.insert(0, 15 - size.size(), ' ');
    t += "  " + size + "  " + Shown(f.name) + "\n";
  }
  t += row("Required space:", in.requiredKnown ? Grouped(in.requiredSpace) + " bytes (" +
                                                     U8(FormatSize(in.requiredSpace, 1)) + ")"
                                               : "unknown (no statistics file)");
  t += U8(SwitchesText()) + "\n";
  for (size_t at; (at = t.find('\r')) != std::string::npos;) t.erase(at, 1);
  return t;
}

std::string InspectionJson(const Inspection& in) {
  Json j;
  j.Open(nullptr, '{').Text("package", in.path).Number("size", static_cast<uint64_t>(in.size));
  j.Open("stub", '{')
      .Text("architecture", in.architecture)
      .Text("platform", in.platform)
      .Text("description", in.description)
      .Text("version", in.fileVersion)
      .Text("productName", in.productName)
      .Text("company", in.company)
      .Close('}');
  j.Open("signature", '{')
      .Flag("signed", in.isSigned)
      .Flag("checked", in.checked)
      .Flag("valid", in.valid)
      .Text("signer", in.signer)
      .Text("timestamp", in.timestamp)
      .Text("verdict", in.verdict)
      .Close('}');
  j.Open("product", '{')
      .Text("name", in.product)
      .Text("version", in.version)
      .Text("company", in.publisher)
      .Text("website", in.website)
      .Close('}');
  j.Open("languages", '[');
  for (const std::string& l : in.languages) j.Text(nullptr, l);
  j.Close(']');
  const std::pair<const char*, const std::vector<InspectedTask>*> lists[] = {{"installTasks", &in.installTasks},
                                                                            {"uninstallTasks", &in.uninstallTasks}};
  for (const auto& list : lists) {
    j.Open(list.first, '[');
    for (const InspectedTask& t : *list.second) j.Open(nullptr, '{').Text("name", t.name).Text("line", t.line).Close('}');
    j.Close(']');
  }
  j.Open("payload", '{').Number("files", in.fileCount).Number("bytes", in.totalBytes).Open("largest", '[');
  for (const InspectedFile& f : in.largest) j.Open(nullptr, '{').Text("name", f.name).Number("bytes", f.bytes).Close('}');
  j.Close(']').Close('}');
  if (in.requiredKnown) j.Number("requiredSpace", in.requiredSpace);
  else j.Null("requiredSpace");
  size_t count = 0;
  const SwitchRow* rows = Switches(&count);
  j.Open("switches", '[');
  for (size_t i = 0; i < count; ++i)
    j.Open(nullptr, '{').Text("switch", U8(rows[i].item)).Text("meaning", U8(rows[i].meaning)).Close('}');
  j.Close(']');
  rows = ExitCodes(&count);
  j.Open("exitCodes", '[');
  for (size_t i = 0; i < count; ++i)
    j.Open(nullptr, '{')
        .Number("code", std::strtoull(U8(rows[i].item).c_str(), nullptr, 10))
        .Text("meaning", U8(rows[i].meaning))
        .Close('}');
  j.Close(']').Close('}');
  return j.str() + "\n";
}

int InspectCommand(int argc, char** argv) {
  std::string path, caFile;
  bool json = false, wrong = false;
  for (int i = 2; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--json") json = true;
    else if (a == "--ca" && i + 1 < argc) caFile = argv[++i];
    else if (path.empty() && a.compare(0, 2, "--") != 0) path = a;
    else wrong = true;
  }
  if (wrong || path.empty()) {
    std::fputs("usage: tarnpack inspect PACKAGE [--json] [--ca FILE]\n", stderr);
    return 2;
  }
  Inspection in;
  std::string refusal;
  if (!InspectPackage(path, caFile, &in, &refusal)) {
    std::fprintf(stderr, "tarnpack: %s: %s\n", path.c_str(), refusal.c_str());
    return 1;
  }
  std::fputs((json ? InspectionJson(in) : InspectionText(in)).c_str(), stdout);
  return 0;
}
