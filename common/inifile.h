// The in-memory form of an INI file: named sections of lines, most of them
// key=value. Lines are kept as text and written back in their order.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/textfile.h"

namespace ucl {

class IniFile : public BasicTextFile {
 public:
  // Stands for the value of one line of a section. Valid while that
  // section's lines are not added to.
  class StringProxy {
   public:
    explicit StringProxy(std::string* line) : line_(line) {}
    operator std::string() const;  // text after the last "="
    StringProxy& operator=(const std::string& value);  // key, "=", value

   private:
    std::string* line_;
  };

  class Section : public TextFile {
   public:
    explicit Section(const std::string& sectionName) : name(sectionName) {}
    // The first line whose key is the given one; a missing key is added as
    // key + "=" at the end of the section. For writers.
    StringProxy operator[](const std::string& key);
    // The value of that line; nothing (and nothing added) when no line has
    // the key. For readers.
    std::optional<std::string> lookup(const std::string& key) const;

    std::string name;
  };

  // Replaces the content by that of the file; false (store empty) when the
  // file cannot be opened.
  bool read(const std::string& fileName) override;
  // Writes every section followed by an empty line; false when the file
  // cannot be created or written.
  bool write(const std::string& fileName) override;
  // The same in the ANSI code page, for programs that read nothing else;
  // false, and nothing written, when a line does not fit in it.
  bool writeInAnsiCodePage(const std::string& fileName);
  void clear() override;

  // The first section with the name; a missing one is appended. For writers.
  Section& operator[](const std::string& name);
  // The same search for readers: null when there is no such section.
  const Section* findSection(const std::string& name) const;
  // The key's value in the first section of the name; nothing when either
  // is missing. Creates nothing.
  std::optional<std::string> lookup(const std::string& section, const std::string& key) const;

  // Text before the first "=" (empty without "="), and after the last "="
  // (the whole line without "=").
  static std::string keyOf(const std::string& line);
  static std::string valueOf(const std::string& line);

  // The reader's rules for a line of the file, for editors that keep the
  // lines as they are. The name between the brackets of a section header;
  // nothing for other lines.
  static std::optional<std::string> sectionHeader(const std::string& line);
  // The line as a section keeps it (without leading blanks); nothing for
  // a line the reader drops (shorter than two bytes, or blanks only).
  static std::optional<std::string> keptLine(const std::string& line);

  enum class Encoding { ascii, utf8, ansi };
  // How the reader takes a file's lines (the first one still with a byte
  // order mark if it has one): UTF-8 after that mark, or when the text
  // beyond ASCII is UTF-8 throughout; else the ANSI code page.
  static Encoding encodingOf(const std::vector<std::string>& lines);

  std::vector<Section> sections;
};

}  // namespace ucl
