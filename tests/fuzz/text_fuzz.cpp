// Feeds arbitrary bytes to the parsers of text that comes from a package:
// UTF-8 decoding, command lines, trailers, entry names and wildcards.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/text.h"
#include "package/trailer.h"
#include "package/wildcard.h"
#include "package/zip_names.h"
#include "startup/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* bytes = reinterpret_cast<const char*>(data);
  std::wstring decoded = text::FromUtf8(bytes, size);
  std::string again = text::ToUtf8(decoded);
  if (text::FromUtf8(again) != decoded) __builtin_trap();  // decoding is stable after one round
  SplitCommandLine(decoded);
  std::wstring name = DropDrivePart(BackslashName(decoded));
  IsSafeEntryName(name);
  size_t half = decoded.size() / 2;
  WildcardMatch(decoded.substr(0, half), decoded.substr(half));
  if (size >= kTrailerSize) {
    PackageLayout layout;
    if (ReadTrailer(data + size - kTrailerSize, static_cast<int64_t>(size), &layout) == TrailerState::kWhole) {
      if (layout.payloadOffset < 0 || layout.infoOffset + layout.infoLength + kTrailerSize != static_cast<int64_t>(size))
        __builtin_trap();
    }
  }
  return 0;
}
