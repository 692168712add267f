// Standard output and error for the programs' own lines. Text inside is
// UTF-8; a Windows console is given it as UTF-16, so every name shows
// whole, and a pipe or file (the IDE, a script) gets it in the ANSI code
// page, whatever console the program has, with "?" for a character the
// code page does not hold. On POSIX the bytes pass
// unchanged. Pure ASCII is written as it comes everywhere.
#pragma once

#include <optional>
#include <ostream>
#include <string>

namespace platform {

enum class StandardStream { output, error };

// The few system calls the writer decides between; the real ones per system.
class ConsoleSystem {
 public:
  virtual ~ConsoleSystem() = default;
  // Whether the stream is a console window rather than a pipe or a file.
  virtual bool isConsole(StandardStream stream) = 0;
  // The console's output code page; 0 when the program has no console.
  virtual unsigned consoleOutputCodePage() = 0;
  virtual unsigned ansiCodePage() = 0;
  // One character (UTF-8) in the code page; nothing when it has no place in it.
  virtual std::optional<std::string> inCodePage(const std::string& character, unsigned codePage) = 0;
  // Writes UTF-8 text to the console as UTF-16.
  virtual void writeToConsole(StandardStream stream, const std::string& utf8) = 0;
  // Writes bytes as they are (a line end as the system writes text files).
  virtual void writeBytes(StandardStream stream, const std::string& bytes) = 0;
};

ConsoleSystem& systemConsole();

// Writes UTF-8 text (whole lines, "\n" at their ends) as described above.
void writeConsoleText(ConsoleSystem& system, StandardStream stream, const std::string& utf8);

// Streams over writeConsoleText for the system's standard output and error:
// each line is written when it is complete, and what is pending on a flush.
std::ostream& consoleOut();
std::ostream& consoleErr();

}  // namespace platform
