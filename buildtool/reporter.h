// What kestrel tells its user: the driver reports what happens, and the
// reporter words it and writes it, each message one line flushed at once
// (the IDE shows the output as it comes). With explaining on it also says
// why each file is written or left, one line per decision.
#pragma once

#include <ostream>
#include <string>

namespace kestrel {

class Reporter {
 public:
  Reporter(std::ostream& out, std::ostream& err, bool explain = false) : out_(out), err_(err), explain_(explain) {}

  void banner();
  void usage();
  void unknownOption(const std::string& option);
  void unknownModel(int pvModel);
  // A failure whose message the part that failed made (see the README's
  // failure rule).
  void failed(const std::string& message);
  void outOfMemory();

  // Why every makefile is written again, said before they are.
  void uncertainInclude(const std::string& include);
  void unsureInput(const std::string& path);
  void foreignDatabase(const std::string& path);
  void cannotWrite(const std::string& path);
  void cannotStart(const std::string& tool);
  void toolFailed(const std::string& tool, int exitCode);

  // The decisions, said only when explaining.
  bool explaining() const { return explain_; }
  void everyFileWritten(const std::string& why);
  void fileWritten(const std::string& path, bool everyFile);
  void fileLeft(const std::string& path);
  void recordRenewed(const std::string& path, bool scansChanged);
  void recordKept(const std::string& path);
  void databaseWritten(const std::string& path);
  void databaseLeft(const std::string& path);
  void noMakefiles();

 private:
  void line(std::ostream& stream, const std::string& text);
  void explain(const std::string& text);

  std::ostream& out_;
  std::ostream& err_;
  bool explain_;
};

// True when the environment asks for the explain lines (KESTREL_EXPLAIN=1).
bool explainRequested();

}  // namespace kestrel
