#include "common/inifile.h"

#include <algorithm>

#include "common/textencoding.h"
#include "platform/codepages.h"
#include "platform/files.h"

namespace ucl {

namespace {

const char kUtf8Mark[] = "\xEF\xBB\xBF";

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

std::optional<std::string> IniFile::sectionHeader(const std::string& line) {
  if (line.size() < 2) return std::nullopt;
  const size_t first = line.find_first_not_of(' ');
  const size_t last = line.find_last_not_of(' ');
  if (first == std::string::npos || first == last || line[first] != '[' || line[last] != ']') return std::nullopt;
  return line.substr(first + 1, last - first - 1);
}

std::optional<std::string> IniFile::keptLine(const std::string& line) {
  if (line.size() < 2) return std::nullopt;
  const size_t first = line.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : line.substr(first);
}

IniFile::Encoding IniFile::encodingOf(const std::vector<std::string>& lines) {
  if (!lines.empty() && lines[0].compare(0, 3, kUtf8Mark) == 0) return Encoding::utf8;
  bool beyondAscii = false;
  for (const std::string& line : lines) {
    if (isAscii(line)) continue;
    if (!isValidUtf8(line)) return Encoding::ansi;
    beyondAscii = true;
  }
  return beyondAscii ? Encoding::utf8 : Encoding::ascii;
}

namespace {

// A UTF-16 file's lines (after its byte order mark) in UTF-8, as text mode
// reads them: each CR left out, and the text ends at a Ctrl-Z.
std::optional<std::vector<std::string>> utf16Lines(const std::string& fileName) {
  std::FILE* file = platform::openBinaryFile(fileName, "rb");
  if (file == nullptr) return std::nullopt;
  char mark[2] = {};
  const bool marked = std::fread(mark, 1, 2, file) == 2 && (mark[0] == '\xFF' || mark[0] == '\xFE') &&
                      (mark[1] == '\xFF' || mark[1] == '\xFE') && mark[0] != mark[1];
  platform::closeFile(file);
  if (!marked) return std::nullopt;
  const std::optional<std::string> bytes = platform::readWholeFile(fileName);
  if (!bytes) return std::nullopt;
  std::string text = utf16ToUtf8(*bytes, 2, mark[0] == '\xFE');
  text.resize(std::min(text.find('\x1A'), text.size()));
  std::vector<std::string> lines(1);
  for (const char c : text) {
    if (c == '\n') lines.emplace_back();
    else if (c != '\r') lines.back() += c;
  }
  if (lines.back().empty()) lines.pop_back();
  return lines;
}

}  // namespace

bool IniFile::read(const std::string& fileName) {
  clear();
  TextFile text;
  if (std::optional<std::vector<std::string>> lines = utf16Lines(fileName)) {
    text.lines = std::move(*lines);
  } else if (!text.read(fileName)) {
    return false;
  }
  // As editors save it: UTF-8 with its mark or without, else the ANSI code page.
  const Encoding encoding = encodingOf(text.lines);
  if (!text.lines.empty() && text.lines[0].compare(0, 3, kUtf8Mark) == 0) text.lines[0].erase(0, 3);
  for (const std::string& line : text.lines) {
    if (std::optional<std::string> name = sectionHeader(line)) {
      sections.emplace_back(std::move(*name));
    } else if (!sections.empty()) {
      if (std::optional<std::string> kept = keptLine(line)) sections.back().lines.push_back(std::move(*kept));
    }
  }
  if (encoding == Encoding::ansi) {
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
