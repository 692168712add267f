#include "common/settingsfile.h"

#include "common/textencoding.h"
#include "platform/codepages.h"
#include "platform/files.h"
#include "platform/pathspelling.h"

namespace ucl {

namespace {

const char* const kPv2Section = "PV2SDK Paths";
const char* const kPv3Section = "PV3SDK Paths";

std::string quoted(const std::string& path) { return "'" + platform::windowsToHostPath(path) + "'"; }

// One line of a settings file being edited: its text as the reader's rules
// take it, its own line end, and the bytes it had, which an unchanged line
// is written back as.
struct EditedLine {
  std::string text;
  std::string end;  // "\n" after any CRs, or "" for a last line without one
  std::string original;  // empty for a new line
  std::string originalText;
  std::string originalEnd;
};

EditedLine newLine(std::string text) { return EditedLine{std::move(text), {}, {}, {}, {}}; }

// Sets one key among the lines by the reader's rules; see setSdkDirectories.
void setLine(std::vector<EditedLine>& lines, const std::string& section, const std::string& key,
             const std::string& value) {
  std::size_t header = 0;
  while (header < lines.size() && IniFile::sectionHeader(lines[header].text) != section) ++header;
  if (header == lines.size()) {
    if (!lines.empty() && !lines.back().text.empty()) lines.push_back(newLine(""));
    lines.push_back(newLine("[" + section + "]"));
    lines.push_back(newLine(key + "=" + value));
    return;
  }
  std::size_t lastKept = header;
  for (std::size_t i = header + 1; i < lines.size() && !IniFile::sectionHeader(lines[i].text); ++i) {
    const std::optional<std::string> kept = IniFile::keptLine(lines[i].text);
    if (!kept) continue;
    lastKept = i;
    if (IniFile::keyOf(*kept) == key) {
      // The blanks before the key stay, and the value starts after the first "=".
      std::string& text = lines[i].text;
      text = text.substr(0, text.size() - kept->size() + key.size() + 1) + value;
      return;
    }
  }
  lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(lastKept) + 1, newLine(key + "=" + value));
}

bool setDirectories(std::vector<EditedLine>& lines, const SdkDirectories& changes, const std::string& fileName,
                    std::string* err) {
  std::vector<std::string> texts;
  for (const EditedLine& line : lines) texts.push_back(line.text);
  const IniFile::Encoding encoding = IniFile::encodingOf(texts);
  // The first line's byte order mark is no part of a section header.
  const bool marked = !lines.empty() && lines[0].text.compare(0, 3, "\xEF\xBB\xBF") == 0;
  std::vector<EditedLine> edited = lines;
  if (marked) edited[0].text.erase(0, 3);
  // A file of ASCII only takes the values as they are, in UTF-8, which the
  // reader then takes the whole file in.
  const bool inAnsi = encoding == IniFile::Encoding::ansi;
  for (SdkKey key : kSdkKeys) {
    if (!changes[key]) continue;
    std::string directory = *changes[key];
    // Paths are formed by appending "\name" to the value.
    while (directory.size() > 1 && (directory.back() == '\\' || directory.back() == '/')) directory.pop_back();
    // The value is read from after the last "=" of its line.
    if (directory.find_first_of("=\r\n\x1A") != std::string::npos) {
      *err = "Error: The directory '" + directory +
             "' holds '=' or a line end, which the settings file cannot hold: choose a directory without them";
      return false;
    }
    if (inAnsi && !isAscii(directory)) {
      std::optional<std::string> ansi = platform::utf8ToAnsi(directory);
      if (!ansi) {
        *err = "Error: The directory '" + directory + "' cannot be written in this system's code page, in which " +
               "settings file " + quoted(fileName) + " is written: choose a directory whose name it holds, or " +
               "save the file in UTF-8";
        return false;
      }
      directory = std::move(*ansi);
    }
    setLine(edited, sectionName(key), keyName(key), directory);
  }
  if (marked) edited[0].text.insert(0, "\xEF\xBB\xBF");
  lines = std::move(edited);
  return true;
}

// How the file's text is held: bytes (the ANSI code page or UTF-8), or
// UTF-16 after its byte order mark.
enum class Form { bytes, utf16le, utf16be };

struct EditedFile {
  Form form = Form::bytes;
  std::string mark;  // UTF-16's byte order mark
  std::vector<EditedLine> lines;
  std::string rest;  // from a Ctrl-Z on, which the reader does not read, kept as it is
};

std::string encoded(Form form, const std::string& text) {
  return form == Form::bytes ? text : utf8ToUtf16(text, form == Form::utf16be);
}

EditedFile splitSettings(const std::string& bytes) {
  EditedFile file;
  const bool le = bytes.compare(0, 2, "\xFF\xFE") == 0;
  const bool be = bytes.compare(0, 2, "\xFE\xFF") == 0;
  file.form = le ? Form::utf16le : be ? Form::utf16be : Form::bytes;
  const size_t unit = file.form == Form::bytes ? 1 : 2;
  const size_t start = unit == 1 ? 0 : 2;
  file.mark = bytes.substr(0, start);
  const auto at = [&](size_t i) -> unsigned {
    const auto byte = [&](size_t j) { return static_cast<unsigned char>(bytes[j]); };
    if (unit == 1) return byte(i);
    return be ? (byte(i) << 8) | byte(i + 1) : (byte(i + 1) << 8) | byte(i);
  };
  const auto decoded = [&](size_t from, size_t to) {
    const std::string raw = bytes.substr(from, to - from);
    return unit == 1 ? raw : utf16ToUtf8(raw, 0, be);
  };
  size_t lineStart = start;
  size_t i = start;
  for (; i + unit <= bytes.size() && at(i) != 0x1A; i += unit) {
    if (at(i) != '\n') continue;
    // The line end is the LF with every CR before it, which the reader
    // leaves out all together.
    size_t textEnd = i;
    while (textEnd > lineStart && at(textEnd - unit) == '\r') textEnd -= unit;
    EditedLine line;
    line.text = line.originalText = decoded(lineStart, textEnd);
    line.end = line.originalEnd = std::string((i - textEnd) / unit, '\r') + "\n";
    line.original = bytes.substr(lineStart, i + unit - lineStart);
    file.lines.push_back(std::move(line));
    lineStart = i + unit;
  }
  if (i > lineStart) {
    EditedLine line;
    line.text = line.originalText = decoded(lineStart, i);
    line.original = bytes.substr(lineStart, i - lineStart);
    file.lines.push_back(std::move(line));
  }
  file.rest = bytes.substr(i);  // a Ctrl-Z and what follows it, or half a unit
  return file;
}

std::string joinSettings(EditedFile& file, bool finalLineEnd) {
  // A new line takes the file's first line end; the file keeps having a
  // line end after its last line, or not having one.
  std::string firstEnd = "\r\n";
  for (const EditedLine& line : file.lines) {
    if (!line.original.empty() && !line.end.empty()) {
      firstEnd = line.end;
      break;
    }
  }
  std::string bytes = file.mark;
  for (size_t i = 0; i < file.lines.size(); ++i) {
    EditedLine& line = file.lines[i];
    const bool last = i + 1 == file.lines.size();
    if (line.end.empty() && (!last || (line.original.empty() && finalLineEnd))) line.end = firstEnd;
    const bool unchanged = !line.original.empty() && line.text == line.originalText && line.end == line.originalEnd;
    bytes += unchanged ? line.original : encoded(file.form, line.text + line.end);
  }
  return bytes + file.rest;
}

}  // namespace

SdkKey sdkPathKey(Sdk sdk) { return sdk == Sdk::pv2 ? SdkKey::pv2Sdk : SdkKey::pv3Sdk; }

SdkKey compilerPathKey(Sdk sdk) { return sdk == Sdk::pv2 ? SdkKey::pv2Compiler : SdkKey::pv3Compiler; }

const char* sectionName(SdkKey key) {
  return key == SdkKey::pv2Sdk || key == SdkKey::pv2Compiler ? kPv2Section : kPv3Section;
}

const char* keyName(SdkKey key) {
  return key == SdkKey::pv2Sdk || key == SdkKey::pv3Sdk ? "SDKPath" : "CompilerPath";
}

std::string describeKey(SdkKey key) { return std::string("[") + sectionName(key) + "] " + keyName(key); }

SettingsFile::SettingsFile(std::string path) : path_(std::move(path)) { read_ = values_.read(path_); }

std::optional<std::string> SettingsFile::lookup(SdkKey key) const {
  return values_.lookup(sectionName(key), keyName(key));
}

bool SettingsFile::value(SdkKey key, std::string* value, std::string* err) const {
  if (std::optional<std::string> found = lookup(key)) {
    *value = std::move(*found);
    return true;
  }
  const std::string section = sectionName(key);
  const std::string name = keyName(key);
  const std::string wanted = "key '" + name + "' in section [" + section + "]";
  if (!read_) {
    *err = "Error: Unable to read settings file " + quotedPath() + ", which must hold " + wanted;
  } else if (values_.findSection(section) == nullptr) {
    *err = "Error: No section [" + section + "] with key '" + name + "' in settings file " + quotedPath();
  } else {
    *err = "Error: No " + wanted + " of settings file " + quotedPath();
  }
  return false;
}

SdkDirectories SettingsFile::directories() const {
  SdkDirectories directories;
  for (SdkKey key : kSdkKeys) directories[key] = lookup(key);
  return directories;
}

bool SettingsFile::sdkPaths(Sdk sdk, SdkPaths* paths, std::string* compilerMissing, std::string* err) const {
  if (!value(sdkPathKey(sdk), &paths->sdkPath, err)) return false;
  std::string compiler;
  if (value(compilerPathKey(sdk), &compiler, compilerMissing)) {
    paths->compilerPath = std::move(compiler);
  } else {
    paths->compilerPath.reset();
  }
  return true;
}

std::string SettingsFile::quotedPath() const { return quoted(path_); }

bool setSdkDirectories(std::vector<std::string>& lines, const SdkDirectories& changes, const std::string& fileName,
                       std::string* err) {
  std::vector<EditedLine> edited;
  for (std::string& line : lines) edited.push_back(newLine(std::move(line)));
  const bool set = setDirectories(edited, changes, fileName, err);
  lines.clear();
  for (EditedLine& line : edited) lines.push_back(std::move(line.text));
  return set;
}

bool editSettingsBytes(const std::string& bytes, const SdkDirectories& changes, const std::string& fileName,
                       std::string* edited, std::string* err) {
  EditedFile file = splitSettings(bytes);
  const bool finalLineEnd = file.lines.empty() || !file.lines.back().end.empty();
  if (!setDirectories(file.lines, changes, fileName, err)) return false;
  *edited = joinSettings(file, finalLineEnd);
  return true;
}

bool writeSdkDirectories(const std::string& path, const SdkDirectories& changes, std::string* err) {
  std::string bytes;
  if (platform::fileStamp(path)) {
    std::optional<std::string> read = platform::readWholeFile(path);
    if (!read) {
      *err = "Error: Unable to read settings file " + quoted(path);
      return false;
    }
    bytes = std::move(*read);
  }
  std::string edited;
  if (!editSettingsBytes(bytes, changes, path, &edited, err)) return false;
  // Made whole beside the file (or, for a link, the file it names) and renamed.
  if (!platform::writeFileSafely(path, edited)) {
    *err = "Error: Unable to write settings file " + quoted(path);
    return false;
  }
  return true;
}

}  // namespace ucl
