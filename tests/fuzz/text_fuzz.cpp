// Feeds arbitrary bytes to the parsers of text that comes from a package or
// the command line: UTF-8 decoding, command lines and wildcards.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/text.h"
#include "package/wildcard.h"
#include "startup/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* bytes = reinterpret_cast<const char*>(data);
  std::wstring decoded = text::FromUtf8(bytes, size);
  std::string again = text::ToUtf8(decoded);
  if (text::FromUtf8(again) != decoded) __builtin_trap();  // decoding is stable after one round
  SplitCommandLine(decoded);
  size_t half = decoded.size() / 2;
  WildcardMatch(decoded.substr(0, half), decoded.substr(half));
  return 0;
}
