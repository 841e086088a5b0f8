// Setup scripts as the authoring tool writes them, built section by section.
#pragma once

#include <initializer_list>
#include <string>

// A setup script beginning with [GeneralInformation] and the product's name
// and version; every line ends with CR LF and the sections stay in the order
// they are added. UTF-8 with a byte-order mark unless told otherwise.
class ScriptText {
 public:
  explicit ScriptText(const std::string& name = "Demo App", const std::string& version = "1.0",
                      bool byteOrderMark = true);
  // Lines ("key = value\r\n" each) of the section begun last.
  ScriptText& Add(const std::string& lines) {
    text_ += lines;
    return *this;
  }
  // A new section "[name]" with its first lines.
  ScriptText& Section(const std::string& name, const std::string& lines = "") {
    return Add("[" + name + "]\r\n" + lines);
  }
  // The destination line, "DefaultPath = <folder>".
  ScriptText& Dest(const std::wstring& folder);
  operator std::string() const { return text_; }

 private:
  std::string text_;
};

// A task line: the fields joined by the pilcrow, in UTF-8.
std::string Task(std::initializer_list<std::string> fields);

// The "Demo App" script installing to `dest` (changeable): [GeneralInformation]
// additions, [iConfig] additions, then the [InstTasks] lines when there are
// any.
ScriptText DemoApp(const std::wstring& dest, const std::string& general = "", const std::string& config = "",
                   const std::string& tasks = "", const std::string& version = "1.0");
