#include "common/textfile.h"

#include "platform/files.h"

namespace ucl {

int readTextChar(std::FILE* stream) {
  int c;
  do {
    c = std::getc(stream);
  } while (c == '\r');
  return c;
}

bool readLine(std::FILE* stream, std::string& line) {
  line.clear();
  for (;;) {
    const int c = readTextChar(stream);
    if (c == '\n') return false;
    if (c == EOF) return true;
    line += static_cast<char>(c);
  }
}

bool TextFile::read(const std::string& fileName) {
  lines.clear();
  std::FILE* file = platform::openTextFile(fileName, "r");
  if (file == nullptr) return false;
  std::string line;
  line.reserve(100);
  bool atEnd = false;
  while (!atEnd) {
    atEnd = readLine(file, line);
    lines.push_back(line);
  }
  if (lines.back().empty()) lines.pop_back();
  platform::closeFile(file);
  return true;
}

bool TextFile::write(const std::string& fileName) {
  std::FILE* file = platform::openTextFile(fileName, "w");
  if (file == nullptr) return false;
  for (const std::string& line : lines) {
    std::fwrite(line.data(), 1, line.size(), file);
    std::fputc('\n', file);
  }
  return platform::closeFile(file);
}

void TextFile::clear() { lines.clear(); }

}  // namespace ucl
