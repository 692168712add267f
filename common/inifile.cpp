#include "common/inifile.h"

#include "common/textencoding.h"
#include "platform/files.h"
#include "platform/textencoding.h"

namespace ucl {

namespace {

const std::string* findLine(const std::vector<std::string>& lines, const std::string& key) {
  for (const std::string& line : lines) {
    if (IniFile::keyOf(line) == key) return &line;
  }
  return nullptr;
}

}  // namespace

std::string IniFile::keyOf(const std::string& line) {
  const size_t equals = line.find('=');
  return equals == std::string::npos ? std::string() : line.substr(0, equals);
}

std::string IniFile::valueOf(const std::string& line) {
  const size_t equals = line.rfind('=');
  return equals == std::string::npos ? line : line.substr(equals + 1);
}

IniFile::StringProxy::operator std::string() const { return valueOf(*line_); }

IniFile::StringProxy& IniFile::StringProxy::operator=(const std::string& value) {
  *line_ = keyOf(*line_) + "=" + value;
  return *this;
}

IniFile::StringProxy IniFile::Section::operator[](const std::string& key) {
  if (const std::string* line = findLine(lines, key)) {
    return StringProxy(const_cast<std::string*>(line));
  }
  lines.push_back(key + "=");
  return StringProxy(&lines.back());
}

std::optional<std::string> IniFile::Section::lookup(const std::string& key) const {
  const std::string* line = findLine(lines, key);
  if (line == nullptr) return std::nullopt;
  return valueOf(*line);
}

const IniFile::Section* IniFile::findSection(const std::string& name) const {
  for (const Section& section : sections) {
    if (section.name == name) return &section;
  }
  return nullptr;
}

IniFile::Section& IniFile::operator[](const std::string& name) {
  if (const Section* section = findSection(name)) return const_cast<Section&>(*section);
  sections.emplace_back(name);
  return sections.back();
}

std::optional<std::string> IniFile::lookup(const std::string& section, const std::string& key) const {
  const Section* found = findSection(section);
  if (found == nullptr) return std::nullopt;
  return found->lookup(key);
}

bool IniFile::read(const std::string& fileName) {
  clear();
  TextFile text;
  if (!text.read(fileName)) return false;
  // UTF-8 when the file starts with its byte order mark, or when its text
  // beyond ASCII is UTF-8 throughout (as editors save it without a mark);
  // otherwise the ANSI code page.
  bool firstLine = true;
  bool utf8 = false;
  bool beyondAscii = false;
  bool allUtf8 = true;
  for (std::string& line : text.lines) {
    if (firstLine && line.compare(0, 3, "\xEF\xBB\xBF") == 0) {
      line.erase(0, 3);
      utf8 = true;
    }
    firstLine = false;
    if (!isAscii(line)) {
      beyondAscii = true;
      allUtf8 = allUtf8 && isValidUtf8(line);
    }
    if (line.size() < 2) continue;
    const size_t first = line.find_first_not_of(' ');
    const size_t last = line.find_last_not_of(' ');
    if (first != std::string::npos && line[first] == '[' && line[last] == ']') {
      sections.emplace_back(line.substr(first + 1, last - first - 1));
    } else if (!sections.empty()) {
      sections.back().lines.push_back(first == std::string::npos ? std::string() : line.substr(first));
    }
  }
  if (!utf8 && beyondAscii && !allUtf8) {
    for (Section& section : sections) {
      section.name = platform::ansiToUtf8(section.name);
      for (std::string& kept : section.lines) kept = platform::ansiToUtf8(kept);
    }
  }
  return true;
}

bool IniFile::writeInAnsiCodePage(const std::string& fileName) {
  IniFile converted;
  for (const Section& section : sections) {
    std::optional<std::string> name = platform::utf8ToAnsi(section.name);
    if (!name) return false;
    converted.sections.emplace_back(*name);
    for (const std::string& line : section.lines) {
      std::optional<std::string> ansi = platform::utf8ToAnsi(line);
      if (!ansi) return false;
      converted.sections.back().lines.push_back(std::move(*ansi));
    }
  }
  return converted.write(fileName);
}

bool IniFile::write(const std::string& fileName) {
  std::FILE* file = platform::openTextFile(fileName, "w");
  if (file == nullptr) return false;
  for (const Section& section : sections) {
    const std::string header = "[" + section.name + "]\n";
    std::fwrite(header.data(), 1, header.size(), file);
    for (const std::string& line : section.lines) {
      std::fwrite(line.data(), 1, line.size(), file);
      std::fputc('\n', file);
    }
    std::fputc('\n', file);
  }
  return platform::closeFile(file);
}

void IniFile::clear() { sections.clear(); }

}  // namespace ucl
