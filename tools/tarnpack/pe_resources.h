// The resources of a Windows program (PE32 or PE32+) held in memory: read
// as a flat list, and written back as a new resource section.
//
// The resource section is rebuilt in place: the directory tables first
// (types, then names, then languages), the data entries, the names, then
// every resource's data on an 8-byte boundary. Only sections that nothing
// else points into may follow it: the base-relocation section (found
// through data directory 5) is moved behind the new resource section, in
// the file and in memory; any other section after it is refused, as is a
// signed program (its signature would no longer match). The headers follow:
// the resource directory (data directory 2), the sections' sizes and
// addresses, SizeOfImage, SizeOfInitializedData and the checksum. Bytes
// after the last section stay after it. Pure logic.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A type or name: a number, or a text (UTF-16 code units) when `text` is not empty.
struct ResourceName {
  uint16_t id = 0;
  std::wstring text;
  bool operator==(const ResourceName& o) const { return id == o.id && text == o.text; }
};

struct Resource {
  ResourceName type, name;
  uint16_t language = 0;
  uint32_t codePage = 0;
  std::string data;
};

constexpr uint16_t kRtIcon = 3, kRtRcData = 10, kRtGroupIcon = 14, kRtVersion = 16;

// False with `error` when the program's headers or its resource directory
// cannot be read; a program without resources gives an empty list.
bool ReadResources(const std::string& image, std::vector<Resource>* resources, std::string* error);

// Replaces the program's resources by `resources`. False with `error`, the
// image unchanged, when it cannot.
bool WriteResources(std::string* image, const std::vector<Resource>& resources, std::string* error);

// The first resource of that type and name, or null.
Resource* FindResourceEntry(std::vector<Resource>* resources, const ResourceName& type, const ResourceName& name);

// The PE checksum of a file fed piece by piece: 16-bit little-endian words
// added with their carries folded back, then the file's length. The
// CheckSum field counts as zero.
class PeChecksumSum {
 public:
  explicit PeChecksumSum(int64_t checksumAt) : checksumAt_(checksumAt) {}
  void Add(const char* bytes, size_t count);
  uint32_t Result() const;

 private:
  int64_t checksumAt_;
  int64_t length_ = 0;
  uint64_t sum_ = 0;
  uint32_t low_ = 0;  // the low byte of a word whose high byte is still to come
};

// Where the CheckSum field of a program lies; 0 when it has no PE headers.
int64_t PeChecksumOffset(const std::string& image);
// Sets the CheckSum field of a whole file held in memory.
void SetPeChecksum(std::string* image);
