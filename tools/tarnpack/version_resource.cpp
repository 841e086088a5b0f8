#include "tools/tarnpack/version_resource.h"

#include <algorithm>

#include "common/text.h"

namespace {

void Add16(std::string* s, uint32_t v) {
  s->push_back(static_cast<char>(v));
  s->push_back(static_cast<char>(v >> 8));
}
void Add32(std::string* s, uint32_t v) {
  Add16(s, v & 0xFFFF);
  Add16(s, v >> 16);
}
void Pad4(std::string* s) { s->resize((s->size() + 3) / 4 * 4, '\0'); }
uint32_t Get16(const std::string& s, size_t at) {
  return static_cast<unsigned char>(s[at]) | static_cast<uint32_t>(static_cast<unsigned char>(s[at + 1])) << 8;
}
uint32_t Get32(const std::string& s, size_t at) { return Get16(s, at) | Get16(s, at + 2) << 16; }
uint32_t Get32Big(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (size_t i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(s[at + i]);
  return v;
}

// One node of the block: its length, the value's length (in characters for
// a text), its kind (1 text, 0 binary), its key, its value and its children,
// each on a 4-byte boundary.
std::string Node(const std::wstring& key, const std::string& value, uint32_t valueLength, bool text,
                 const std::vector<std::string>& children) {
  std::string s(6, '\0');
  for (wchar_t c : key) Add16(&s, c);
  Add16(&s, 0);
  Pad4(&s);
  s += value;
  for (const std::string& child : children) {
    Pad4(&s);
    s += child;
  }
  s[0] = static_cast<char>(s.size()), s[1] = static_cast<char>(s.size() >> 8);
  s[2] = static_cast<char>(valueLength), s[3] = static_cast<char>(valueLength >> 8);
  s[4] = text ? 1 : 0;
  return s;
}

std::string Utf16z(const std::wstring& text) {
  std::string s;
  for (wchar_t c : text) Add16(&s, c);
  Add16(&s, 0);
  return s;
}

bool Fail(std::string* error, const std::string& text) {
  *error = text;
  return false;
}

}  // namespace

bool NumericVersion(const std::wstring& text, uint64_t* version) {
  *version = 0;
  const std::wstring t = text::Trim(text);
  size_t at = 0;
  for (int part = 0; part < 4; ++part) {
    uint32_t n = 0;
    const size_t from = at;
    while (at < t.size() && t[at] >= L'0' && t[at] <= L'9' && at - from < 5) n = n * 10 + (t[at++] - L'0');
    if (at == from || n > 0xFFFF) {
      *version = 0;
      return false;
    }
    *version |= static_cast<uint64_t>(n) << (48 - 16 * part);
    if (at == t.size() || t[at] != L'.') break;
    ++at;
  }
  if (at == t.size() || t[at] == L' ' || t[at] == L'-' || t[at] == L'+') return true;
  *version = 0;
  return false;
}

std::string VersionResource(const VersionFields& f) {
  uint64_t v = 0;
  NumericVersion(f.version, &v);
  std::string fixed;
  Add32(&fixed, 0xFEEF04BD);  // VS_FIXEDFILEINFO's signature
  Add32(&fixed, 0x00010000);  // its structure's version
  for (int i = 0; i < 2; ++i) {  // file, then product version
    Add32(&fixed, static_cast<uint32_t>(v >> 32));
    Add32(&fixed, static_cast<uint32_t>(v));
  }
  Add32(&fixed, 0x3F);     // the flags that are valid
  Add32(&fixed, 0);        // and none of them set
  Add32(&fixed, 0x40004);  // VOS_NT_WINDOWS32
  Add32(&fixed, 1);        // VFT_APP
  for (int i = 0; i < 3; ++i) Add32(&fixed, 0);  // subtype, date
  const std::pair<const wchar_t*, const std::wstring*> named[] = {
      {L"CompanyName", &f.company},          {L"FileDescription", &f.description},
      {L"FileVersion", &f.version},          {L"LegalCopyright", &f.copyright},
      {L"OriginalFilename", &f.originalFilename}, {L"ProductName", &f.productName},
      {L"ProductVersion", &f.version},       {L"SetupPlatform", &f.platform},
  };
  std::vector<std::string> strings;
  for (const auto& n : named) {
    const std::wstring value = text::Trim(*n.second);
    if (!value.empty()) strings.push_back(Node(n.first, Utf16z(value), static_cast<uint32_t>(value.size() + 1), true, {}));
  }
  std::string translation;
  Add16(&translation, 0x0409);  // English (United States)
  Add16(&translation, 1200);    // Unicode
  return Node(L"VS_VERSION_INFO", fixed, static_cast<uint32_t>(fixed.size()), false,
              {Node(L"StringFileInfo", "", 0, true, {Node(L"040904B0", "", 0, true, strings)}),
               Node(L"VarFileInfo", "", 0, true, {Node(L"Translation", translation, 4, false, {})})});
}

bool ReadIconFile(const std::string& b, std::vector<IconImage>* images, std::string* error) {
  images->clear();
  const size_t n = b.size();
  if (n < 6 || Get16(b, 0) != 0 || Get16(b, 2) != 1 || Get16(b, 4) == 0)
    return Fail(error, "is not an icon file (no icon directory at its start)");
  const size_t count = Get16(b, 4);
  if (6 + 16 * count > n) return Fail(error, "is not an icon file (its directory is cut short)");
  for (size_t i = 0; i < count; ++i) {
    const size_t e = 6 + 16 * i;
    IconImage image;
    image.width = static_cast<uint8_t>(b[e]), image.height = static_cast<uint8_t>(b[e + 1]);
    image.colours = static_cast<uint8_t>(b[e + 2]);
    image.planes = static_cast<uint16_t>(Get16(b, e + 4)), image.bits = static_cast<uint16_t>(Get16(b, e + 6));
    const uint32_t size = Get32(b, e + 8), at = Get32(b, e + 12);
    const uint32_t width = image.width ? image.width : 256, height = image.height ? image.height : 256;
    const std::string which = "image " + std::to_string(i + 1) + " (" + std::to_string(width) + " x " +
                              std::to_string(height) + ")";
    if (size < 40 || at < 6 + 16 * count || at > n || size > n - at)
      return Fail(error, "has its " + which + " outside the file or cut short");
    image.data = b.substr(at, size);
    const std::string& d = image.data;
    if (d.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0) {
      if (d.compare(12, 4, "IHDR") != 0 || Get32Big(d, 16) != width || Get32Big(d, 20) != height)
        return Fail(error, "has a PNG " + which + " whose header gives another size");
      if (image.bits == 0) image.bits = 32, image.planes = 1;
    } else {
      const uint32_t header = Get32(d, 0), bits = Get16(d, 14), compression = Get32(d, 16);
      if (header != 40 || Get32(d, 4) != width || Get32(d, 8) != 2 * height || Get16(d, 12) != 1)
        return Fail(error, "has an " + which + " that is neither a PNG image nor a bitmap of that size");
      if ((bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) || compression != 0)
        return Fail(error, "has an " + which + " of a kind of bitmap that icons do not use");
      const uint32_t used = Get32(d, 32), palette = bits <= 8 ? 4 * (used ? used : 1u << bits) : 0;
      const uint64_t pixels = uint64_t((width * bits + 31) / 32 * 4) * height, mask = uint64_t((width + 31) / 32 * 4) * height;
      if (header + palette + pixels + mask > size) return Fail(error, "has its " + which + " cut short");
      image.bits = static_cast<uint16_t>(bits), image.planes = 1;
    }
    images->push_back(image);
  }
  return true;
}

void SetIdentity(std::vector<Resource>* resources, const VersionFields& fields, const std::vector<IconImage>& icon) {
  std::vector<Resource>& r = *resources;
  uint16_t versionLanguage = 0x409, iconLanguage = 0x409;
  for (const Resource& x : r)
    if (x.type.text.empty() && x.type.id == kRtVersion) versionLanguage = x.language;
  r.erase(std::remove_if(r.begin(), r.end(),
                         [](const Resource& x) { return x.type.text.empty() && x.type.id == kRtVersion; }),
          r.end());
  Resource version;
  version.type.id = kRtVersion;
  version.name.id = 1;
  version.language = versionLanguage;
  version.data = VersionResource(fields);
  r.push_back(version);
  if (icon.empty()) return;

  // Group 1 goes, with the images it names.
  ResourceName groupType, groupName;
  groupType.id = kRtGroupIcon;
  groupName.id = 1;
  std::vector<uint16_t> ids;
  for (const Resource& x : r) {
    if (!(x.type == groupType && x.name == groupName) || x.data.size() < 6) continue;
    iconLanguage = x.language;
    for (size_t i = 0, count = Get16(x.data, 4); i < count && 6 + 14 * i + 14 <= x.data.size(); ++i)
      ids.push_back(static_cast<uint16_t>(Get16(x.data, 6 + 14 * i + 12)));
  }
  auto isIcon = [](const Resource& x) { return x.type.text.empty() && x.type.id == kRtIcon && x.name.text.empty(); };
  r.erase(std::remove_if(r.begin(), r.end(),
                         [&](const Resource& x) {
                           return (x.type == groupType && x.name == groupName) ||
                                  (isIcon(x) && std::find(ids.begin(), ids.end(), x.name.id) != ids.end());
                         }),
          r.end());
  Resource group;
  group.type = groupType;
  group.name = groupName;
  group.language = iconLanguage;
  Add16(&group.data, 0);
  Add16(&group.data, 1);
  Add16(&group.data, static_cast<uint32_t>(icon.size()));
  uint16_t id = 0;
  for (const IconImage& image : icon) {
    // The lowest number that no remaining image has.
    for (bool taken = true; taken;) {
      ++id;
      taken = std::any_of(r.begin(), r.end(), [&](const Resource& x) { return isIcon(x) && x.name.id == id; });
    }
    Resource one;
    one.type.id = kRtIcon;
    one.name.id = id;
    one.language = iconLanguage;
    one.data = image.data;
    r.push_back(one);
    group.data += static_cast<char>(image.width);
    group.data += static_cast<char>(image.height);
    group.data += static_cast<char>(image.colours);
    group.data += '\0';
    Add16(&group.data, image.planes);
    Add16(&group.data, image.bits);
    Add32(&group.data, static_cast<uint32_t>(image.data.size()));
    Add16(&group.data, id);
  }
  r.push_back(group);
}
