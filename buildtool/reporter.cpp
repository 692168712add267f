#include "buildtool/reporter.h"

#include "buildtool/commandline.h"
#include "platform/environment.h"

namespace kestrel {

void Reporter::line(std::ostream& stream, const std::string& text) { stream << text << std::endl; }

void Reporter::explain(const std::string& text) {
  if (explain_) line(err_, "kestrel explain: " + text);
}

void Reporter::banner() { line(out_, kBannerText); }

void Reporter::usage() { line(out_, kUsageText); }

void Reporter::unknownOption(const std::string& option) { line(err_, "Error: Unknown option '" + option + "'"); }

void Reporter::unknownModel(int pvModel) { line(err_, "Unknown PV model '" + std::to_string(pvModel) + "'"); }

void Reporter::failed(const std::string& message) { line(err_, message); }

void Reporter::outOfMemory() { line(err_, "Error: Out of memory"); }

void Reporter::uncertainInclude(const std::string& include) {
  line(err_, "Note: " + include + " names no header that kestrel can follow, so every makefile is written again");
}

void Reporter::unsureInput(const std::string& path) {
  line(err_, "Note: " + path + " names no file that kestrel can find for sure, so every makefile is written again");
}

void Reporter::foreignDatabase(const std::string& path) {
  line(err_, "Note: " + path + " was not written by kestrel, so it is left as it is; delete it to have kestrel write it");
}

void Reporter::cannotWrite(const std::string& path) { line(err_, "Unable to write " + path); }

void Reporter::cannotStart(const std::string& tool) { line(err_, "Error: Unable to start " + tool); }

void Reporter::toolFailed(const std::string& tool, int exitCode) {
  line(err_, "Error: " + tool + " ended with exit code " + std::to_string(exitCode));
}

void Reporter::everyFileWritten(const std::string& why) { explain("every makefile is written: " + why); }

void Reporter::fileWritten(const std::string& path, bool everyFile) {
  explain(path + " written: " + (everyFile ? "every makefile is written" : "its text differs from the file's"));
}

void Reporter::fileLeft(const std::string& path) { explain(path + " left: it holds its text"); }

void Reporter::recordRenewed(const std::string& path, bool scansChanged) {
  explain(path + " written: " + (scansChanged ? "the inputs or the scans changed" : "the databases changed"));
}

void Reporter::recordKept(const std::string& path) { explain(path + " left: it vouches for the present"); }

void Reporter::databaseWritten(const std::string& path) { explain(path + " written: its text differs from the file's"); }

void Reporter::databaseLeft(const std::string& path) { explain(path + " left: it holds its text"); }

void Reporter::noMakefiles() { explain("no makefile is written (-m-), so no record vouches for them"); }

bool explainRequested() { return platform::variable("KESTREL_EXPLAIN") == std::optional<std::string>("1"); }

}  // namespace kestrel
