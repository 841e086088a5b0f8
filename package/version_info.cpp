#include "package/version_info.h"

namespace {

// One node of the block: 16-bit length, value length and kind (1 text, 0
// binary), the key (UTF-16, ending with a zero), the value and the
// children, each on a 4-byte boundary.
struct Node {
  std::wstring key;
  size_t value = 0, children = 0, end = 0;
};

size_t Align4(size_t at) { return (at + 3) & ~size_t(3); }
unsigned Get16(const unsigned char* b, size_t at) { return b[at] | b[at + 1] << 8; }

bool ReadNode(const unsigned char* b, size_t size, size_t at, Node* n) {
  if (at + 6 > size) return false;
  const size_t length = Get16(b, at), valueLength = Get16(b, at + 2);
  if (length < 6 || at + length > size) return false;
  n->end = at + length;
  n->key.clear();
  size_t p = at + 6;
  for (; p + 2 <= n->end && Get16(b, p) != 0; p += 2) n->key += static_cast<wchar_t>(Get16(b, p));
  if (p + 2 > n->end) return false;
  n->value = Align4(p + 2);
  n->children = Align4(n->value + (Get16(b, at + 4) == 1 ? 2 * valueLength : valueLength));
  return true;
}

// The child of the node `parent` with this key, or the first child when the key is empty.
bool FindChild(const unsigned char* b, const Node& parent, const std::wstring& key, Node* child) {
  for (size_t at = parent.children; at < parent.end; at = Align4(child->end)) {
    if (!ReadNode(b, parent.end, at, child)) return false;
    if (key.empty() || child->key == key) return true;
  }
  return false;
}

}  // namespace

std::wstring VersionString(const unsigned char* block, size_t size, const std::wstring& name) {
  Node root, strings, table, entry;
  if (!ReadNode(block, size, 0, &root) || root.key != L"VS_VERSION_INFO" ||
      !FindChild(block, root, L"StringFileInfo", &strings) || !FindChild(block, strings, L"", &table) ||
      !FindChild(block, table, name, &entry))
    return std::wstring();
  std::wstring value;
  for (size_t p = entry.value; p + 2 <= entry.end && Get16(block, p) != 0; p += 2)
    value += static_cast<wchar_t>(Get16(block, p));
  return value;
}
