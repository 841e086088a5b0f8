#include "tools/tarnpack/pe_resources.h"

#include <algorithm>
#include <set>

namespace {

bool Fail(std::string* error, const std::string& text) {
  *error = text;
  return false;
}

uint32_t Get16(const std::string& s, int64_t at) {
  return static_cast<unsigned char>(s[static_cast<size_t>(at)]) |
         static_cast<uint32_t>(static_cast<unsigned char>(s[static_cast<size_t>(at + 1)])) << 8;
}
uint32_t Get32(const std::string& s, int64_t at) { return Get16(s, at) | Get16(s, at + 2) << 16; }
void Put16(std::string* s, int64_t at, uint32_t v) {
  (*s)[static_cast<size_t>(at)] = static_cast<char>(v);
  (*s)[static_cast<size_t>(at + 1)] = static_cast<char>(v >> 8);
}
void Put32(std::string* s, int64_t at, uint32_t v) {
  Put16(s, at, v & 0xFFFF);
  Put16(s, at + 2, v >> 16);
}
uint32_t AlignUp(uint32_t v, uint32_t to) { return (v + to - 1) / to * to; }

struct Section {
  int64_t headerAt;  // of its 40-byte header
  uint32_t virtualSize, address, rawSize, rawAt;
};

// What the writer needs of the headers.
struct Pe {
  int64_t optional = 0;  // the optional header
  int64_t directories = 0;
  uint32_t directoryCount = 0;
  uint32_t sectionAlignment = 0, fileAlignment = 0;
  std::vector<Section> sections;
  uint32_t Directory(int i, int part, const std::string& s) const {
    return static_cast<uint32_t>(i) < directoryCount ? Get32(s, directories + 8 * i + 4 * part) : 0;
  }
  int SectionAt(uint32_t address) const {
    for (size_t i = 0; i < sections.size(); ++i)
      if (address != 0 && sections[i].address == address) return static_cast<int>(i);
    return -1;
  }
};

bool ReadPe(const std::string& s, Pe* pe, std::string* error) {
  const int64_t n = static_cast<int64_t>(s.size());
  if (n < 64 || s[0] != 'M' || s[1] != 'Z') return Fail(error, "is not a Windows program (no MZ header)");
  const int64_t at = Get32(s, 0x3C);
  if (at + 24 > n || s.compare(static_cast<size_t>(at), 4, std::string("PE\0\0", 4)) != 0)
    return Fail(error, "is not a Windows program (no PE header)");
  const uint32_t count = Get16(s, at + 6), optionalSize = Get16(s, at + 20);
  pe->optional = at + 24;
  const uint32_t magic = pe->optional + 2 <= n ? Get16(s, pe->optional) : 0;
  if (magic != 0x10B && magic != 0x20B) return Fail(error, "has an optional header of unknown kind");
  const int64_t countAt = pe->optional + (magic == 0x10B ? 92 : 108);
  const int64_t table = pe->optional + optionalSize;
  if (countAt + 4 > n || countAt + 4 > table || table + 40 * int64_t(count) > n)
    return Fail(error, "has headers cut short");
  pe->directories = countAt + 4;
  pe->directoryCount = std::min<uint32_t>(Get32(s, countAt), static_cast<uint32_t>((table - pe->directories) / 8));
  pe->sectionAlignment = Get32(s, pe->optional + 32);
  pe->fileAlignment = Get32(s, pe->optional + 36);
  if (pe->fileAlignment == 0 || pe->sectionAlignment == 0 || pe->fileAlignment > 0x10000 ||
      (pe->fileAlignment & (pe->fileAlignment - 1)) != 0)
    return Fail(error, "has an alignment that is not a power of two");
  pe->sections.clear();
  for (uint32_t i = 0; i < count; ++i) {
    const int64_t h = table + 40 * int64_t(i);
    Section c{h, Get32(s, h + 8), Get32(s, h + 12), Get32(s, h + 16), Get32(s, h + 20)};
    if (int64_t(c.rawAt) + c.rawSize > n) return Fail(error, "has a section that ends beyond the file");
    pe->sections.push_back(c);
  }
  return true;
}

// The resource tree: three levels of tables (type, name, language).
struct TreeReader {
  const std::string& data;  // the resource section's raw data
  uint32_t address;         // and its address in memory
  std::vector<Resource>* out;
  std::string* error;
  // A tree reaches each table once, and its data, side by side, fit in the
  // section: tables shared or data overlapping would multiply the work.
  std::set<uint32_t> tables;
  uint64_t dataBytes = 0;

  bool Fits(uint32_t at, uint32_t size) const { return at <= data.size() && size <= data.size() - at; }

  bool Name(uint32_t field, ResourceName* name) {
    if (!(field & 0x80000000)) {
      name->id = static_cast<uint16_t>(field);
      return true;
    }
    const uint32_t at = field & 0x7FFFFFFF;
    if (!Fits(at, 2) || !Fits(at + 2, 2 * Get16(data, at))) return Fail(error, "has a resource name out of place");
    const uint32_t length = Get16(data, at);
    for (uint32_t i = 0; i < length; ++i) name->text += static_cast<wchar_t>(Get16(data, at + 2 + 2 * i));
    if (name->text.empty()) return Fail(error, "has an empty resource name");
    return true;
  }

  bool Table(uint32_t at, int level, const Resource& above) {
    if (!Fits(at, 16)) return Fail(error, "has a resource table out of place");
    if (!tables.insert(at).second) return Fail(error, "has a resource table reached twice");
    const uint32_t entries = Get16(data, at + 12) + Get16(data, at + 14);
    if (!Fits(at + 16, 8 * entries)) return Fail(error, "has a resource table cut short");
    for (uint32_t i = 0; i < entries; ++i) {
      const uint32_t e = at + 16 + 8 * i, field = Get32(data, e), target = Get32(data, e + 4);
      Resource r = above;
      if (level == 0 && !Name(field, &r.type)) return false;
      if (level == 1 && !Name(field, &r.name)) return false;
      if (level == 2) {
        if (field & 0x80000000) return Fail(error, "has a resource language given as a name");
        r.language = static_cast<uint16_t>(field);
      }
      const bool table = (target & 0x80000000) != 0;
      if (table != (level < 2)) return Fail(error, "has a resource tree that is not three levels deep");
      if (table) {
        if (!Table(target & 0x7FFFFFFF, level + 1, r)) return false;
        continue;
      }
      if (!Fits(target, 16)) return Fail(error, "has a resource entry out of place");
      const uint32_t rva = Get32(data, target), size = Get32(data, target + 4);
      if (rva < address || !Fits(rva - address, size))
        return Fail(error, "has resource data outside its resource section");
      if ((dataBytes += size) > data.size()) return Fail(error, "has resource data that overlap");
      r.codePage = Get32(data, target + 8);
      r.data = data.substr(rva - address, size);
      out->push_back(r);
    }
    return true;
  }
};

bool NameLess(const ResourceName& a, const ResourceName& b) {
  if (a.text.empty() != b.text.empty()) return !a.text.empty();  // names before numbers
  return a.text.empty() ? a.id < b.id : a.text < b.text;
}

// The new resource section's bytes, for the section at `address`.
std::string BuildSection(std::vector<Resource> r, uint32_t address) {
  std::stable_sort(r.begin(), r.end(), [](const Resource& a, const Resource& b) {
    if (!(a.type == b.type)) return NameLess(a.type, b.type);
    if (!(a.name == b.name)) return NameLess(a.name, b.name);
    return a.language < b.language;
  });
  struct Names {
    ResourceName name;
    std::vector<size_t> items;  // languages: indexes into r
    uint32_t at = 0;
  };
  struct Types {
    ResourceName type;
    std::vector<Names> names;
    uint32_t at = 0;
  };
  std::vector<Types> types;
  for (size_t i = 0; i < r.size(); ++i) {
    if (types.empty() || !(types.back().type == r[i].type)) types.push_back({r[i].type, {}, 0});
    std::vector<Names>& names = types.back().names;
    if (names.empty() || !(names.back().name == r[i].name)) names.push_back({r[i].name, {}, 0});
    names.back().items.push_back(i);
  }
  uint32_t end = 16 + 8 * static_cast<uint32_t>(types.size());
  for (Types& t : types) t.at = end, end += 16 + 8 * static_cast<uint32_t>(t.names.size());
  for (Types& t : types)
    for (Names& n : t.names) n.at = end, end += 16 + 8 * static_cast<uint32_t>(n.items.size());
  const uint32_t entries = end;
  end += 16 * static_cast<uint32_t>(r.size());
  std::vector<std::pair<std::wstring, uint32_t>> texts;
  auto textAt = [&](const ResourceName& name) -> uint32_t {
    for (const auto& t : texts)
      if (t.first == name.text) return t.second;
    texts.push_back({name.text, end});
    end += 2 + 2 * static_cast<uint32_t>(name.text.size());
    return texts.back().second;
  };
  for (Types& t : types) {
    if (!t.type.text.empty()) textAt(t.type);
    for (Names& n : t.names)
      if (!n.name.text.empty()) textAt(n.name);
  }
  std::vector<uint32_t> dataAt;
  for (const Resource& x : r) {
    end = AlignUp(end, 8);
    dataAt.push_back(end);
    end += static_cast<uint32_t>(x.data.size());
  }

  std::string s(end, '\0');
  auto table = [&](uint32_t at, size_t named, size_t all) {
    Put16(&s, at + 12, static_cast<uint32_t>(named));
    Put16(&s, at + 14, static_cast<uint32_t>(all - named));
  };
  auto entry = [&](uint32_t at, const ResourceName& name, uint32_t target) {
    Put32(&s, at, name.text.empty() ? name.id : 0x80000000 | textAt(name));
    Put32(&s, at + 4, target);
  };
  auto countNamed = [](auto begin, auto stop, auto get) {
    size_t k = 0;
    for (auto i = begin; i != stop; ++i) k += !get(*i).text.empty();
    return k;
  };
  table(0, countNamed(types.begin(), types.end(), [](const Types& t) -> const ResourceName& { return t.type; }),
        types.size());
  for (size_t ti = 0; ti < types.size(); ++ti) {
    Types& t = types[ti];
    entry(16 + 8 * static_cast<uint32_t>(ti), t.type, 0x80000000 | t.at);
    table(t.at, countNamed(t.names.begin(), t.names.end(), [](const Names& n) -> const ResourceName& { return n.name; }),
          t.names.size());
    for (size_t ni = 0; ni < t.names.size(); ++ni) {
      Names& n = t.names[ni];
      entry(t.at + 16 + 8 * static_cast<uint32_t>(ni), n.name, 0x80000000 | n.at);
      table(n.at, 0, n.items.size());
      for (size_t li = 0; li < n.items.size(); ++li) {
        const size_t i = n.items[li];
        ResourceName language;
        language.id = r[i].language;
        entry(n.at + 16 + 8 * static_cast<uint32_t>(li), language, entries + 16 * static_cast<uint32_t>(i));
      }
    }
  }
  for (const auto& t : texts) {
    Put16(&s, t.second, static_cast<uint32_t>(t.first.size()));
    for (size_t k = 0; k < t.first.size(); ++k) Put16(&s, t.second + 2 + 2 * static_cast<uint32_t>(k), t.first[k]);
  }
  for (size_t i = 0; i < r.size(); ++i) {
    const uint32_t e = entries + 16 * static_cast<uint32_t>(i);
    Put32(&s, e, address + dataAt[i]);
    Put32(&s, e + 4, static_cast<uint32_t>(r[i].data.size()));
    Put32(&s, e + 8, r[i].codePage);
    s.replace(dataAt[i], r[i].data.size(), r[i].data);
  }
  return s;
}

}  // namespace

bool ReadResources(const std::string& image, std::vector<Resource>* resources, std::string* error) {
  resources->clear();
  Pe pe;
  if (!ReadPe(image, &pe, error)) return false;
  const uint32_t address = pe.Directory(2, 0, image);
  if (address == 0) return true;
  const int i = pe.SectionAt(address);
  if (i < 0) return Fail(error, "has a resource directory that does not begin a section");
  const Section& c = pe.sections[static_cast<size_t>(i)];
  const std::string data = image.substr(c.rawAt, c.rawSize);
  TreeReader reader{data, address, resources, error, {}, 0};
  return reader.Table(0, 0, Resource());
}

bool WriteResources(std::string* image, const std::vector<Resource>& resources, std::string* error) {
  Pe pe;
  if (!ReadPe(*image, &pe, error)) return false;
  const std::string& s = *image;
  if (pe.Directory(4, 0, s) != 0 || pe.Directory(4, 1, s) != 0)
    return Fail(error, "is signed; its resources cannot be changed");
  const int r = pe.SectionAt(pe.Directory(2, 0, s));
  if (r < 0) return Fail(error, "has no resource section of its own");
  const int k = pe.SectionAt(pe.Directory(5, 0, s));  // the base relocations, or -1
  const Section res = pe.sections[static_cast<size_t>(r)];
  const Section* reloc = nullptr;  // when they follow the resources
  for (size_t i = 0; i < pe.sections.size(); ++i) {
    const Section& c = pe.sections[i];
    if (static_cast<int>(i) == r || (c.address < res.address && (c.rawSize == 0 || c.rawAt < res.rawAt))) continue;
    if (static_cast<int>(i) != k) return Fail(error, "has a section after its resource section");
    reloc = &c;
  }
  if (reloc && (reloc->address < res.address || (reloc->rawSize != 0 && reloc->rawAt != res.rawAt + res.rawSize)))
    return Fail(error, "has its base relocations in an unexpected place");

  const std::string built = BuildSection(resources, res.address);
  const uint32_t size = static_cast<uint32_t>(built.size());
  const uint32_t rawSize = AlignUp(size, pe.fileAlignment);
  const int64_t oldEnd = reloc && reloc->rawSize != 0 ? int64_t(reloc->rawAt) + reloc->rawSize
                                                      : int64_t(res.rawAt) + res.rawSize;
  std::string out = s.substr(0, res.rawAt) + built + std::string(rawSize - size, '\0');
  const int64_t delta = static_cast<int64_t>(rawSize) - res.rawSize;
  uint32_t imageEnd = res.address + std::max(size, 1u);
  Put32(&out, res.headerAt + 8, size);
  Put32(&out, res.headerAt + 16, rawSize);
  if (reloc) {
    const uint32_t address = AlignUp(imageEnd, pe.sectionAlignment);
    if (reloc->rawSize != 0) {
      out += s.substr(reloc->rawAt, reloc->rawSize);
      Put32(&out, reloc->headerAt + 20, static_cast<uint32_t>(reloc->rawAt + delta));
    }
    Put32(&out, reloc->headerAt + 12, address);
    Put32(&out, pe.directories + 8 * 5, address);
    imageEnd = address + std::max(reloc->virtualSize ? reloc->virtualSize : reloc->rawSize, 1u);
  }
  out += s.substr(static_cast<size_t>(oldEnd));
  Put32(&out, pe.directories + 8 * 2 + 4, size);
  Put32(&out, pe.optional + 56, AlignUp(imageEnd, pe.sectionAlignment));                        // SizeOfImage
  Put32(&out, pe.optional + 8, static_cast<uint32_t>(Get32(out, pe.optional + 8) + delta));  // SizeOfInitializedData
  const int64_t coff = pe.optional - 20;
  const uint32_t symbols = Get32(out, coff + 8);
  if (symbols != 0 && symbols >= oldEnd) Put32(&out, coff + 8, static_cast<uint32_t>(symbols + delta));
  SetPeChecksum(&out);
  image->swap(out);
  return true;
}

Resource* FindResourceEntry(std::vector<Resource>* resources, const ResourceName& type, const ResourceName& name) {
  for (Resource& r : *resources)
    if (r.type == type && r.name == name) return &r;
  return nullptr;
}

void PeChecksumSum::Add(const char* bytes, size_t count) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes);
  for (size_t i = 0; i < count; ++i, ++length_) {
    const uint32_t value = length_ >= checksumAt_ && length_ < checksumAt_ + 4 ? 0 : p[i];
    if ((length_ & 1) == 0) {
      low_ = value;
      continue;
    }
    sum_ += low_ | value << 8;
    sum_ = (sum_ & 0xFFFF) + (sum_ >> 16);
  }
}

uint32_t PeChecksumSum::Result() const {
  uint64_t sum = sum_;
  if (length_ & 1) {
    sum += low_;
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  return static_cast<uint32_t>(sum + static_cast<uint64_t>(length_));
}

int64_t PeChecksumOffset(const std::string& image) {
  Pe pe;
  std::string ignored;
  return ReadPe(image, &pe, &ignored) ? pe.optional + 64 : 0;
}

void SetPeChecksum(std::string* image) {
  const int64_t at = PeChecksumOffset(*image);
  if (at == 0) return;
  PeChecksumSum sum(at);
  sum.Add(image->data(), image->size());
  Put32(image, at, sum.Result());
}
