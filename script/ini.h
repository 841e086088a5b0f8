// The INI reader: the one reader of the setup script, the localization
// files and the uninstall data, each parsed into a document of its own.
//
// A file that begins with EF BB BF is UTF-8; any other file is ISO 8859-1.
// Lines end with CR, LF or CR LF (empty lines are skipped). After leading
// blanks and tabs, ";" starts a comment, "[" a group header (the name runs
// to "]" or the line's end, untrimmed), and anything else a key line: the
// key up to the first "=" without trailing blanks and tabs, the value after
// it without surrounding blanks and tabs. Group names and keys compare
// without regard to the case of A to Z; lookups take the first match. Keys
// before the first header form the nameless group. Pure logic.
#pragma once

#include <string>
#include <vector>

class IniDocument {
 public:
  IniDocument() = default;
  explicit IniDocument(const std::string& bytes) { Parse(bytes); }
  void Parse(const char* bytes, size_t length);
  void Parse(const std::string& bytes) { Parse(bytes.data(), bytes.size()); }
  void Clear();

  // Makes the first group of that name current ("" is the nameless group).
  // Without such a group every read gives its default and enumeration
  // yields nothing.
  void SelectGroup(const std::wstring& name);
  std::wstring ReadText(const std::wstring& key, const std::wstring& fallback) const;

  // Walk the key lines of the current group, duplicates included.
  bool FirstKey();
  bool NextKey();
  std::wstring KeyName() const;
  std::wstring KeyValue() const;

 private:
  struct Line {
    bool header;
    std::wstring name;   // group name or key
    std::wstring value;  // trimmed value of a key line
  };
  std::vector<Line> lines_;  // comments are not kept
  size_t begin_ = 0, end_ = 0;  // key lines of the current group: [begin_, end_)
  size_t cursor_ = 0;
};

// Reads and parses a file; false when it cannot be read (Windows).
bool ReadIniFile(const std::wstring& path, IniDocument* document);

// Reads a whole file into memory; false when it cannot be opened (Windows).
bool ReadWholeFile(const std::wstring& path, std::string* bytes);
