#include "tools/tarnpack/builder.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "common/text.h"
#include "package/trailer.h"
#include "package/version_info.h"
#include "script/ini.h"
#include "script/settings.h"
#include "tools/tarnpack/fs.h"
#include "tools/tarnpack/pe_resources.h"
#include "tools/tarnpack/version_resource.h"
#include "tools/tarnpack/zip_writer.h"

namespace {

constexpr int64_t kLimit = 0x7FFFFFFF;  // lengths and offsets are 32-bit signed

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return s;
}

bool HasPrefixNoCase(const std::string& s, const std::string& prefix) {
  return s.size() >= prefix.size() && Lower(s.substr(0, prefix.size())) == Lower(prefix);
}

// Temporary files of one build, removed whatever happens.
struct Scratch {
  std::vector<std::string> paths;
  ~Scratch() {
    for (const std::string& p : paths) fs::Remove(p);
  }
  std::string Add(const std::string& p) {
    paths.push_back(p);
    return p;
  }
};

// One entry of an archive: a file or folder of a listed tree, a file the
// builder brings, or bytes it makes.
struct Item {
  std::string name;  // as stored: "/"-separated, a folder's ends with "/"
  std::string path;  // the file to read; empty for a folder and for `bytes`
  std::string bytes;
  bool folder = false;
  uint32_t dosTime = 0, unixTime = ZipWriter::kDosEpoch, attributes = 0x20;
};

// An entry's times: the file's own, but no later than `epoch` when that is
// set (0 or more), and then with the DOS time in UTC rather than in the
// build machine's zone. Neither goes before 1980-01-01 00:00.
Item TreeItem(const std::string& root, const fs::TreeEntry& e, int64_t epoch) {
  Item item;
  item.name = e.relative;
  item.folder = e.folder;
  if (!e.folder) item.path = fs::Join(root, e.relative);
  item.attributes = e.attributes;
  int64_t t = e.modified;
  if (epoch >= 0 && t > epoch) t = epoch;
  item.dosTime = epoch >= 0 ? fs::DosTimeUtc(t) : e.dosTime;
  item.unixTime = t < ZipWriter::kDosEpoch ? ZipWriter::kDosEpoch : t > 0xFFFFFFFFLL ? 0xFFFFFFFFu : uint32_t(t);
  return item;
}

// Writes the entries sorted by their stored names, byte by byte (a folder
// comes before what it holds), whatever order the file system lists them in.
bool WriteArchive(const std::string& path, int level, std::vector<Item> items, std::string* error) {
  std::sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.name < b.name; });
  ZipWriter zip;
  bool ok = zip.Open(path, level);
  for (size_t i = 0; ok && i < items.size(); ++i) {
    const Item& x = items[i];
    ok = x.folder          ? zip.AddFolder(x.name, x.dosTime, x.attributes, x.unixTime)
         : x.path.empty() ? zip.AddBytes(x.name, x.bytes, x.dosTime, x.attributes, x.unixTime)
                          : zip.AddFile(x.name, x.path, x.dosTime, x.attributes, x.unixTime);
  }
  if (ok && zip.Close()) return true;
  *error = zip.error();
  return false;
}

std::string StatisticsBytes(uint64_t required) {
  std::string bytes(8, '\0');
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<char>((required >> (8 * i)) & 0xFF);
  return bytes;
}

// Appends a whole file to `out`, adding it to `sum`; returns the number of
// bytes or -1.
int64_t Append(FILE* out, const std::string& path, PeChecksumSum* sum) {
  FILE* in = fs::OpenForReading(path);
  if (!in) return -1;
  std::vector<char> buffer(1 << 20);
  int64_t total = 0;
  for (;;) {
    size_t got = std::fread(buffer.data(), 1, buffer.size(), in);
    if (got == 0) break;
    if (std::fwrite(buffer.data(), 1, got, out) != got) {
      total = -1;
      break;
    }
    sum->Add(buffer.data(), got);
    total += static_cast<int64_t>(got);
  }
  if (std::ferror(in)) total = -1;
  std::fclose(in);
  return total;
}

bool Fail(std::string* error, const std::string& text) {
  *error = text;
  return false;
}

bool ReadWhole(const std::string& path, std::string* bytes) {
  FILE* in = fs::OpenForReading(path);
  if (!in) return false;
  bytes->clear();
  char buffer[65536];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0) bytes->append(buffer, got);
  const bool ok = !std::ferror(in);
  std::fclose(in);
  return ok;
}

bool ReadFromFile(void* file, int64_t offset, unsigned char* out, int count) {
  FILE* f = static_cast<FILE*>(file);
  return std::fseek(f, static_cast<long>(offset), SEEK_SET) == 0 &&
         std::fread(out, 1, static_cast<size_t>(count), f) == static_cast<size_t>(count);
}

// Reads a written package as the setup stub does; false unless it finds the
// archives at these places. `size` gets the file's length.
bool FindsArchives(const std::string& path, int64_t payloadOffset, int64_t payloadLength, int64_t infoLength,
                   int64_t* size) {
  FILE* f = fs::OpenForReading(path);
  if (!f) return false;
  bool ok = std::fseek(f, 0, SEEK_END) == 0;
  *size = ok ? std::ftell(f) : -1;
  PackageLayout l;
  ok = ok && *size > 0 && ReadPackageLayout(*size, ReadFromFile, f, &l) == TrailerState::kWhole &&
       l.payloadOffset == payloadOffset && l.payloadLength == payloadLength && l.infoLength == infoLength;
  std::fclose(f);
  return ok;
}

bool WriteWhole(const std::string& path, const std::string& bytes) {
  FILE* out = fs::OpenForWriting(path);
  if (!out) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  return std::fclose(out) == 0 && ok;
}

// zlib streams, as tools/deflate.py writes them for the stub's build.
bool Inflate(const std::string& in, std::string* out) {
  out->clear();
  z_stream z = {};
  if (inflateInit(&z) != Z_OK) return false;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  z.avail_in = static_cast<uInt>(in.size());
  int result = Z_OK;
  std::vector<char> piece(1 << 16);
  while (result == Z_OK) {
    z.next_out = reinterpret_cast<Bytef*>(piece.data());
    z.avail_out = static_cast<uInt>(piece.size());
    result = inflate(&z, Z_NO_FLUSH);
    out->append(piece.data(), piece.size() - z.avail_out);
  }
  inflateEnd(&z);
  return result == Z_STREAM_END;
}

bool Deflate(const std::string& in, std::string* out) {
  z_stream z = {};
  if (deflateInit2(&z, 9, Z_DEFLATED, 15, 9, Z_DEFAULT_STRATEGY) != Z_OK) return false;
  out->resize(deflateBound(&z, static_cast<uLong>(in.size())));
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  z.avail_in = static_cast<uInt>(in.size());
  z.next_out = reinterpret_cast<Bytef*>(&(*out)[0]);
  z.avail_out = static_cast<uInt>(out->size());
  const int result = deflate(&z, Z_FINISH);
  out->resize(z.total_out);
  deflateEnd(&z);
  return result == Z_STREAM_END;
}

ResourceName UninstallerName() {
  ResourceName name;
  name.text = L"UNINSTALLER";
  return name;
}

ResourceName RcData() {
  ResourceName type;
  type.id = kRtRcData;
  return type;
}

std::string FileName(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Gives the stub (its signature already taken off) and the uninstaller it
// carries the product's identity; signs the uninstaller when the package is
// to be signed.
bool GiveIdentity(const BuildOptions& o, const SetupSettings& script, const SigningOptions& sign, Scratch* scratch,
                  std::string* stub, BuildReport* report, std::string* error) {
  std::vector<IconImage> icon;
  if (!o.icon.empty()) {
    std::string bytes;
    if (!ReadWhole(o.icon, &bytes)) return Fail(error, "cannot read the icon " + o.icon);
    std::string why;
    if (!ReadIconFile(bytes, &icon, &why)) return Fail(error, "the icon " + o.icon + " " + why);
  }
  std::vector<Resource> resources;
  std::string why;
  if (!ReadResources(*stub, &resources, &why)) return Fail(error, "the setup stub " + o.stub + " " + why);
  Resource* carried = FindResourceEntry(&resources, RcData(), UninstallerName());
  std::string uninstaller;
  if (!carried || !Inflate(carried->data, &uninstaller))
    return Fail(error, "the setup stub " + o.stub + " carries no uninstaller that can be read");

  VersionFields fields;
  // The product's version information replaces the stub's: the platform's
  // own version is kept in a text of its own, for whoever inspects a package.
  for (const Resource& r : resources)
    if (r.type.text.empty() && r.type.id == kRtVersion && fields.platform.empty()) {
      const auto* block = reinterpret_cast<const unsigned char*>(r.data.data());
      fields.platform = VersionString(block, r.data.size(), L"SetupPlatform");
      if (fields.platform.empty()) {
        const std::wstring own = VersionString(block, r.data.size(), L"FileVersion");
        if (!own.empty()) fields.platform = VersionString(block, r.data.size(), L"ProductName") + L" " + own;
      }
    }
  fields.productName = text::Trim(script.programName);
  fields.version = script.programVersion;
  fields.company = script.companyName;
  fields.copyright = text::FromUtf8(o.copyright);
  fields.description = fields.productName.empty() ? L"Uninstaller" : fields.productName + L" Uninstaller";
  std::vector<Resource> carriedResources;
  if (!ReadResources(uninstaller, &carriedResources, &why))
    return Fail(error, "the uninstaller the setup stub carries " + why);
  SetIdentity(&carriedResources, fields, icon);
  if (!WriteResources(&uninstaller, carriedResources, &why))
    return Fail(error, "the uninstaller the setup stub carries " + why);
  if (sign.Wanted()) {
    const std::string in = scratch->Add(o.output + ".uninstaller.tmp");
    const std::string out = scratch->Add(o.output + ".uninstaller.signed.tmp");
    std::vector<std::string> notes;
    if (!WriteWhole(in, uninstaller)) return Fail(error, "cannot write " + in);
    if (!SignPackage(sign, in, out, &notes, error)) return false;
    if (!ReadWhole(out, &uninstaller)) return Fail(error, "cannot read " + out);
    report->notes.push_back("signed the uninstaller the package carries");
  }
  if (!Deflate(uninstaller, &carried->data)) return Fail(error, "cannot deflate the uninstaller");

  fields.description = fields.productName.empty() ? L"Setup" : fields.productName + L" Setup";
  fields.originalFilename = text::FromUtf8(FileName(o.output));
  SetIdentity(&resources, fields, icon);
  if (!WriteResources(stub, resources, &why)) return Fail(error, "the setup stub " + o.stub + " " + why);
  if (!icon.empty()) report->notes.push_back("gave the package and its uninstaller the icon " + o.icon);
  return true;
}

}  // namespace

bool CarriedUninstaller(const std::string& stub, std::string* uninstaller, std::string* error) {
  std::vector<Resource> resources;
  if (!ReadResources(stub, &resources, error)) return false;
  const Resource* carried = FindResourceEntry(&resources, RcData(), UninstallerName());
  if (!carried) return Fail(error, "carries no uninstaller");
  return Inflate(carried->data, uninstaller) || Fail(error, "carries an uninstaller that cannot be inflated");
}

bool BuildPackage(const BuildOptions& o, BuildReport* report, std::string* error) {
  *report = BuildReport();
  if (!fs::IsFile(o.stub)) return Fail(error, "the setup stub " + o.stub + " does not exist");
  if (!fs::IsFolder(o.payload)) return Fail(error, "the payload folder " + o.payload + " does not exist");
  if (!fs::IsFolder(o.information))
    return Fail(error, "the information folder " + o.information + " does not exist");
  if (!fs::IsFile(fs::Join(o.information, "Config/Script.ini")))
    return Fail(error, "the information folder has no Config/Script.ini");
  if (o.output.empty()) return Fail(error, "no output file given");
  SigningOptions sign = o.signing;
  if (o.sourceDateEpoch >= 0) sign.signingTime = o.sourceDateEpoch;
  if (sign.Wanted()) {
    if (!fs::RunsPrograms())
      return Fail(error, "signing is not available in the Windows build of tarnpack; sign with the Linux build, "
                         "which runs osslsigncode");
    if (!fs::IsFile(sign.certificate)) return Fail(error, "the certificate " + sign.certificate + " does not exist");
    if (!fs::IsFile(sign.key)) return Fail(error, "the key " + sign.key + " does not exist");
    if (!sign.caFile.empty() && !fs::IsFile(sign.caFile))
      return Fail(error, "the CA file " + sign.caFile + " does not exist");
  }

  // Archives after a certificate table would leave the package unreadable:
  // a signed stub loses its signature.
  std::string stub;
  if (!ReadWhole(o.stub, &stub)) return Fail(error, "cannot read the setup stub " + o.stub);
  bool stripped = false;
  if (!StripSignature(&stub, &stripped, error)) return false;
  if (stripped)
    report->notes.push_back("took the signature off the setup stub " + o.stub +
                            " (archives after it would leave the package unreadable; --sign signs the package)");

  // The setup script names the product in the version resources and the
  // signatures (with its web site).
  std::string script;
  if (!ReadWhole(fs::Join(o.information, "Config/Script.ini"), &script))
    return Fail(error, "cannot read the setup script Config/Script.ini");
  SetupSettings settings;
  IniDocument ini(script);
  ReadSetupSettings(ini, &settings);
  sign.description = text::ToUtf8(text::Trim(settings.programName));
  sign.url = text::ToUtf8(text::Trim(settings.website));
  Scratch scratch;
  if (!GiveIdentity(o, settings, sign, &scratch, &stub, report, error)) return false;

  const std::string data = o.dataFolder.empty() ? fs::ProgramFolder() + "data" : o.dataFolder;
  std::vector<fs::TreeEntry> payloadEntries, infoEntries;
  if (!fs::ListTree(o.payload, &payloadEntries, error)) return false;
  if (!fs::ListTree(o.information, &infoEntries, error)) return false;

  // The statistics file is always the builder's own.
  std::vector<fs::TreeEntry> infoKept;
  bool hasLanguage = false, hasWizardBitmap = false, hasHeaderBitmap = false;
  for (const fs::TreeEntry& e : infoEntries) {
    const std::string name = Lower(e.relative);
    if (name == "config/statistics.ini") continue;
    if (HasPrefixNoCase(e.relative, "Languages/") && !e.folder && name.size() > 4 &&
        name.compare(name.size() - 4, 4, ".ini") == 0)
      hasLanguage = true;
    if (name == "resources/wizbitmap.bmp") hasWizardBitmap = true;
    if (name == "resources/headbitmap.bmp") hasHeaderBitmap = true;
    infoKept.push_back(e);
  }

  // What the builder brings when the author brings none.
  struct Extra {
    std::string name, path;
  };
  std::vector<Extra> extras;
  std::vector<std::string> languages = o.languages;
  if (!hasLanguage && languages.empty()) languages.push_back("English");
  for (const std::string& language : languages) {
    std::string path = fs::Join(fs::Join(data, "languages"), language + ".ini");
    if (!fs::IsFile(path)) return Fail(error, "no shipped localization file named " + language + " (" + path + ")");
    extras.push_back({"Languages/" + language + ".ini", path});
    report->notes.push_back("added the shipped localization file " + language + ".ini");
  }
  const char* const kBitmaps[2] = {"WizBitmap.bmp", "HeadBitmap.bmp"};
  const bool present[2] = {hasWizardBitmap, hasHeaderBitmap};
  for (int i = 0; i < 2; ++i) {
    if (present[i]) continue;
    std::string path = fs::Join(fs::Join(data, "bitmaps"), kBitmaps[i]);
    if (!fs::IsFile(path)) continue;  // the stub reports a missing bitmap itself
    extras.push_back({std::string("Resources/") + kBitmaps[i], path});
    report->notes.push_back(std::string("added the default ") + kBitmaps[i]);
  }

  const std::string payloadZip = scratch.Add(o.output + ".payload.tmp");
  const std::string infoZip = scratch.Add(o.output + ".info.tmp");
  const std::string partial = scratch.Add(o.output + ".partial");

  {
    std::vector<Item> items;
    for (const fs::TreeEntry& e : payloadEntries) {
      items.push_back(TreeItem(o.payload, e, o.sourceDateEpoch));
      if (!e.folder) report->requiredSpace += e.size;
    }
    std::string why;
    if (!WriteArchive(payloadZip, o.level, items, &why)) return Fail(error, "payload archive: " + why);
  }
  {
    std::vector<Item> items;
    for (const fs::TreeEntry& e : infoKept) items.push_back(TreeItem(o.information, e, o.sourceDateEpoch));
    for (const Extra& x : extras) {
      items.emplace_back();
      items.back().name = x.name;
      items.back().path = x.path;
    }
    items.emplace_back();
    items.back().name = "Config/Statistics.ini";
    items.back().bytes = StatisticsBytes(report->requiredSpace);
    std::string why;
    if (!WriteArchive(infoZip, o.level, items, &why)) return Fail(error, "information archive: " + why);
  }

  // The checksum covers the whole package: it is written last.
  const int64_t checksumAt = PeChecksumOffset(stub);
  PeChecksumSum sum(checksumAt);
  FILE* out = fs::OpenForWriting(partial);
  if (!out) return Fail(error, "cannot create " + partial);
  int64_t stubBytes =
      std::fwrite(stub.data(), 1, stub.size(), out) == stub.size() ? static_cast<int64_t>(stub.size()) : -1;
  sum.Add(stub.data(), stub.size());
  int64_t payloadBytes = stubBytes < 0 ? -1 : Append(out, payloadZip, &sum);
  int64_t infoBytes = payloadBytes < 0 ? -1 : Append(out, infoZip, &sum);
  bool ok = infoBytes >= 0;
  if (ok && (payloadBytes > kLimit || infoBytes > kLimit || stubBytes + payloadBytes + infoBytes + 11 > kLimit)) {
    std::fclose(out);
    return Fail(error, "the package would be 2 GiB or larger, which the setup stub cannot read");
  }
  if (ok) {
    unsigned char trailer[kTrailerSize];
    WriteTrailer(static_cast<int32_t>(infoBytes), static_cast<int32_t>(payloadBytes), trailer);
    ok = std::fwrite(trailer, 1, sizeof trailer, out) == sizeof trailer;
    sum.Add(reinterpret_cast<const char*>(trailer), sizeof trailer);
    const uint32_t value = sum.Result();
    const unsigned char field[4] = {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
                                    static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
    ok = ok && std::fseek(out, static_cast<long>(checksumAt), SEEK_SET) == 0 &&
         std::fwrite(field, 1, sizeof field, out) == sizeof field;
  }
  if (std::fclose(out) != 0) ok = false;
  if (!ok) return Fail(error, "cannot write " + partial);
  int64_t packageSize = stubBytes + payloadBytes + infoBytes + kTrailerSize;
  std::string finished = partial;
  if (sign.Wanted()) {
    finished = scratch.Add(o.output + ".signed.tmp");
    if (!SignPackage(sign, partial, finished, &report->notes, error)) return false;
    if (!FindsArchives(finished, stubBytes, payloadBytes, infoBytes, &packageSize))
      return Fail(error, "the signed package does not keep its archives where the setup stub looks for them");
  }
  if (!fs::RenameOver(finished, o.output)) return Fail(error, "cannot write " + o.output);

  report->payloadArchive = payloadBytes;
  report->informationArchive = infoBytes;
  report->packageSize = packageSize;
  return true;
}
