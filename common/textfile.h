// Text files of lines in the Windows C runtime's text mode.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace ucl {

class BasicTextFile {
 public:
  virtual bool read(const std::string& fileName) = 0;
  virtual bool write(const std::string& fileName) = 0;
  virtual void clear() = 0;
  virtual ~BasicTextFile() = default;
};

class TextFile : public BasicTextFile {
 public:
  // Replaces the lines by those of the file; false (and no lines) when the
  // file cannot be opened. An empty last line is not kept.
  bool read(const std::string& fileName) override;
  // Writes every line followed by a line end; false when the file cannot be
  // created or written.
  bool write(const std::string& fileName) override;
  void clear() override;

  std::vector<std::string> lines;
};

// Reads one character of a text-mode stream. Carriage returns never reach
// the caller: the C runtime keeps a CR that no LF follows, this drops it too.
int readTextChar(std::FILE* stream);

// Reads one line into the buffer, without its line end. True when the end
// of the file was reached while reading it (the buffer holds what was read).
bool readLine(std::FILE* stream, std::string& line);

}  // namespace ucl
