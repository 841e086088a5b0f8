#include "tools/tarnpack/winget.h"

#include <cstdio>

#include "common/sha256.h"
#include "common/text.h"
#include "install/uninstall_data.h"
#include "script/ini.h"
#include "script/settings.h"
#include "tools/tarnpack/fs.h"

namespace {

constexpr char kManifestVersion[] = "1.10.0";
constexpr char kLocale[] = "en-US";

bool Fail(std::string* error, const std::string& text) {
  *error = text;
  return false;
}

// Characters, not bytes: the schema's lengths count characters.
size_t Characters(const std::string& utf8) {
  size_t n = 0;
  for (unsigned char c : utf8)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

bool Within(const std::string& s, size_t least, size_t most) {
  const size_t n = Characters(s);
  return n >= least && n <= most;
}

bool StartsNoCase(const std::string& s, const char* prefix) {
  for (size_t i = 0; prefix[i]; ++i) {
    if (i >= s.size()) return false;
    char c = s[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    if (c != prefix[i]) return false;
  }
  return true;
}

// The characters neither an identifier's parts nor a version may hold.
bool IsForbidden(unsigned char c) {
  return (c >= 0x01 && c <= 0x1F) || c == '\\' || c == '/' || c == ':' || c == '*' || c == '?' || c == '"' ||
         c == '<' || c == '>' || c == '|';
}

bool IsVersion(const std::string& v) {
  if (!Within(v, 1, 128)) return false;
  for (unsigned char c : v)
    if (IsForbidden(c)) return false;
  return true;
}

// The web site as an address: as written when it is one, else taken to be
// an https one ("www.example.com"). Empty when there is none, or it names
// another scheme.
std::string SiteUrl(const std::string& site) {
  if (site.empty()) return site;
  if (StartsNoCase(site, "http://") || StartsNoCase(site, "https://")) return site;
  if (site.find("://") != std::string::npos) return std::string();
  return "https://" + site;
}

// A YAML scalar: plain where nothing in it can be read as anything but
// text, else double-quoted with escapes.
std::string Scalar(const std::string& s) {
  bool plain = !s.empty() && ((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z') || s[0] == '/') &&
               s.back() != ' ';
  for (char c : s)
    plain = plain && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == ' ' ||
                      c == '.' || c == '_' || c == '/' || c == '<' || c == '>' || c == '=' || c == '+' || c == '-');
  static const char* const kWords[] = {"true", "false", "yes", "no", "on", "off", "null", "y", "n"};
  std::string lower;
  for (char c : s) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  for (const char* w : kWords) plain = plain && lower != w;
  if (plain) return s;
  std::string out = "\"";
  for (size_t i = 0; i < s.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    // U+0085, U+2028 and U+2029 end lines in YAML 1.1: escaped.
    if (c == 0xC2 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0x85) {
      out += "\\N";
      ++i;
    } else if (c == 0xE2 && s.compare(i, 3, "\xE2\x80\xA8") == 0) {
      out += "\\L";
      i += 2;
    } else if (c == 0xE2 && s.compare(i, 3, "\xE2\x80\xA9") == 0) {
      out += "\\P";
      i += 2;
    } else if (c == '\\' || c == '"') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string Header(const char* type) {
  return std::string("# yaml-language-server: $schema=https://aka.ms/winget-manifest.") + type + "." +
         kManifestVersion + ".schema.json\n\n";
}

std::string Field(const char* key, const std::string& value) { return std::string(key) + ": " + Scalar(value) + "\n"; }

std::string Identity(const WingetManifest& m) {
  return Field("PackageIdentifier", m.id) + Field("PackageVersion", m.version);
}

std::string Footer(const char* type) {
  return Field("ManifestType", type) + "ManifestVersion: " + kManifestVersion + "\n";
}

// The switches winget passes: silent ones first, then the folder, then the
// log (the stub takes /D= only right after its silent switches).
constexpr char kSwitches[] =
    "InstallModes:\n"
    "- interactive\n"
    "- silent\n"
    "- silentWithProgress\n"
    "InstallerSwitches:\n"
    "  Silent: /S\n"
    "  SilentWithProgress: /S /PASSIVE\n"
    "  InstallLocation: /D=<INSTALLPATH>\n"
    "  Log: /LOG=<LOGPATH>\n";

// The stub's exit codes. 1603 (failed, the log says why) has no response of
// its own in the schema: winget reports it as a failure with its code.
constexpr char kCodes[] =
    "InstallerSuccessCodes:\n"
    "- 3010\n"
    "ExpectedReturnCodes:\n"
    "- InstallerReturnCode: 1602\n"
    "  ReturnResponse: cancelledByUser\n"
    "- InstallerReturnCode: 1618\n"
    "  ReturnResponse: installInProgress\n"
    "- InstallerReturnCode: 1639\n"
    "  ReturnResponse: invalidParameter\n"
    "- InstallerReturnCode: 3010\n"
    "  ReturnResponse: rebootRequiredToFinish\n";

}  // namespace

bool IsWingetIdentifier(const std::string& id) {
  if (Characters(id) > 128) return false;
  size_t parts = 0, from = 0;
  for (;;) {
    const size_t dot = id.find('.', from);
    const std::string part = id.substr(from, dot == std::string::npos ? std::string::npos : dot - from);
    if (!Within(part, 1, 32)) return false;
    for (unsigned char c : part)
      if (IsForbidden(c) || c == ' ' || (c >= 0x09 && c <= 0x0D)) return false;
    ++parts;
    if (dot == std::string::npos) break;
    from = dot + 1;
  }
  return parts >= 2 && parts <= 8;
}

bool IsWingetUrl(const std::string& url) {
  const size_t scheme = StartsNoCase(url, "https://") ? 8 : StartsNoCase(url, "http://") ? 7 : 0;
  return scheme && url.size() > scheme && Characters(url) <= 2048;
}

bool ReadWingetFields(const std::string& informationFolder, WingetManifest* m, std::string* error) {
  std::string script;
  FILE* in = fs::OpenForReading(fs::Join(informationFolder, "Config/Script.ini"));
  if (!in) return Fail(error, "cannot read the setup script Config/Script.ini");
  char buffer[65536];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0) script.append(buffer, got);
  std::fclose(in);
  SetupSettings s;
  IniDocument ini(script);
  ReadSetupSettings(ini, &s);
  m->name = text::ToUtf8(s.programName);
  m->version = text::ToUtf8(s.programVersion);
  m->publisher = text::ToUtf8(s.companyName);
  m->website = SiteUrl(text::ToUtf8(s.website));
  m->entry = text::ToUtf8(UninstallEntryName(s));
  if (m->description.empty()) m->description = m->name + " " + m->version;

  if (!Within(m->name, 2, 255))
    return Fail(error, "a winget manifest needs the setup script's AppName, 2 to 255 characters");
  if (!IsVersion(m->version))
    return Fail(error, "a winget manifest needs the setup script's Version, 1 to 128 characters without "
                       "\\ / : * ? \" < > |");
  if (!Within(m->publisher, 2, 256))
    return Fail(error, "a winget manifest needs the setup script's CompanyName, 2 to 256 characters");
  if (m->entry.empty())
    return Fail(error, "the setup script registers no uninstall entry, by which winget finds the installed "
                       "product: [uConfig] needs IconExtUninst = 1 or IconExtCustom = 1");
  if (!IsWingetUrl(m->website)) m->website.clear();
  if (!Within(m->license, 3, 512)) return Fail(error, "--license takes 3 to 512 characters");
  if (!Within(m->description, 3, 256)) return Fail(error, "--description takes 3 to 256 characters");
  if (!m->copyright.empty() && !Within(m->copyright, 3, 512))
    return Fail(error, "a winget manifest takes a --copyright of 3 to 512 characters");
  return true;
}

std::vector<std::pair<std::string, std::string>> WingetFiles(const WingetManifest& m, const std::string& sha256) {
  std::string version = Header("version") + Identity(m) + Field("DefaultLocale", kLocale) + Footer("version");

  std::string locale = Header("defaultLocale") + Identity(m) + Field("PackageLocale", kLocale) +
                       Field("Publisher", m.publisher);
  if (!m.website.empty()) locale += Field("PublisherUrl", m.website);
  locale += Field("PackageName", m.name);
  if (!m.website.empty()) locale += Field("PackageUrl", m.website);
  locale += Field("License", m.license);
  if (!m.copyright.empty()) locale += Field("Copyright", m.copyright);
  locale += Field("ShortDescription", m.description) + Footer("defaultLocale");

  std::string installer = Header("installer") + Identity(m) + Field("InstallerType", "exe") +
                          Field("Scope", "machine") + kSwitches + kCodes + Field("UpgradeBehavior", "install") +
                          Field("ElevationRequirement", "elevatesSelf") + "AppsAndFeaturesEntries:\n- " +
                          Field("DisplayName", m.name) + "  " + Field("Publisher", m.publisher) + "  " +
                          Field("DisplayVersion", m.version) + "  " + Field("ProductCode", m.entry) +
                          "Installers:\n- " + Field("Architecture", m.architecture) + "  " +
                          Field("InstallerUrl", m.url) + "  " + Field("InstallerSha256", sha256) +
                          Footer("installer");
  return {{m.id + ".yaml", version},
          {m.id + ".installer.yaml", installer},
          {m.id + ".locale." + kLocale + ".yaml", locale}};
}

bool WriteWingetManifests(const std::string& folder, const WingetManifest& m, const std::string& package,
                          std::vector<std::string>* written, std::string* error) {
  FILE* in = fs::OpenForReading(package);
  if (!in) return Fail(error, "cannot read " + package + " for its digest");
  Sha256Stream digest;
  char buffer[65536];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0) digest.Add(buffer, got);
  const bool read = !std::ferror(in);
  std::fclose(in);
  if (!read) return Fail(error, "cannot read " + package + " for its digest");
  std::string sha256 = text::ToUtf8(digest.FinishHex());
  for (char& c : sha256)
    if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 32);

  if (!fs::MakeFolders(folder)) return Fail(error, "cannot make the folder " + folder);
  for (const auto& file : WingetFiles(m, sha256)) {
    const std::string path = fs::Join(folder, file.first);
    FILE* out = fs::OpenForWriting(path);
    bool ok = out && std::fwrite(file.second.data(), 1, file.second.size(), out) == file.second.size();
    if (out && std::fclose(out) != 0) ok = false;
    if (!ok) return Fail(error, "cannot write " + path);
    written->push_back(path);
  }
  return true;
}
