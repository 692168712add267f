// The driver's decisions, in-process: a recording runner stands in for the
// make tools, and the build runs in a temporary project directory.
#include "buildtool/driver.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <sstream>

#include "testing/testsupport.h"

namespace {

namespace fs = std::filesystem;
using namespace testsupport;

// Remembers each run and whether the record was in place when it started.
class RecordingRunner : public kestrel::MakeRunner {
 public:
  platform::ProcessOutcome run(const kestrel::MakeRun& makeRun) override {
    runs.push_back(makeRun.toolName);
    recordInPlace = fileExists("PV2BUILD/kestrel_deps_rel.txt");
    return outcome;
  }
  std::vector<std::string> runs;
  bool recordInPlace = false;
  platform::ProcessOutcome outcome{true, 0};
};

std::string created(const std::string& directory) {
  fs::create_directories(directory);
  return directory;
}

class Driver : public ::testing::Test {
 protected:
  struct Result {
    int exitCode;
    std::string out, err;
  };
  Result run(const std::vector<std::string>& arguments) {
    std::ostringstream out, err;
    ucl::RealDisk disk;
    kestrel::Reporter reporter(out, err);
    const int exitCode =
        kestrel::runKestrel(arguments, programPath(Spelling::product, settings_), disk, runner_, reporter);
    return {exitCode, out.str(), err.str()};
  }
  void writeSettings(const std::string& text) { writeFile(settings_, crlf(text)); }
  void SetUp() override { reset(); }
  void reset() {
    writeSettings("[PV2SDK Paths]\nSDKPath=C:\\PVSDK\nCompilerPath=C:\\LSIC86\n[PV3SDK Paths]\nSDKPath=C:\\PVSDK3\n");
    writeFile(dir_ / "project/demo.cbx", "<project><file path=\"c/main.c\"/></project>\n");
  }
  bool exists(const std::string& path) const { return fs::exists(dir_ / ("project/" + path)); }
  // Every makefile an hour older; then whether a run touched each.
  void age() {
    for (const auto& entry : fs::directory_iterator(dir_ / "project/PV2BUILD")) {
      if (!entry.is_regular_file()) continue;
      fs::last_write_time(entry.path(), fs::last_write_time(entry.path()) - std::chrono::hours(1));
      stamps_[entry.path().string()] = fs::last_write_time(entry.path());
    }
  }
  int rewritten() const {
    int count = 0;
    for (const auto& [path, stamp] : stamps_) count += fs::last_write_time(path) != stamp;
    return count;
  }

  TempDir dir_;
  const std::string settings_ = dir_ / "Settings.ini";
  ScopedCurrentDirectory inProject_{created(dir_ / "project")};
  RecordingRunner runner_;
  std::map<std::string, fs::file_time_type> stamps_;
};

TEST_F(Driver, MessagesAndExitCodes) {
  const std::string quoted = "'" + settings_ + "'";
  const struct {
    const char* name;
    std::vector<std::string> arguments;
    std::string settings, project;  // replace the fixture's when not empty; "none": no project file
    platform::ProcessOutcome outcome;
    int exitCode;
    std::string err;
    std::vector<std::string> runs;
    bool makefiles;
  } cases[] = {
      {"no project file", {"demo"}, "", "none", {true, 0}, 1, "Unable to find project file\n", {}, false},
      {"wrong .cbx", {"demo"}, "", "<project>", {true, 0}, 1, "Error: Wrong format in .cbx file\n", {}, false},
      {"unknown option", {"-q", "demo"}, "", "", {true, 0}, 0, "Error: Unknown option '-q'\n", {"kmmake"}, true},
      {"unknown model", {"-p4", "demo"}, "", "", {true, 0}, 1, "Unknown PV model '4'\n", {}, false},
      {"no SDK path", {"demo"}, "[PV2SDK Paths]\n", "", {true, 0}, 1,
       "Error: No key 'SDKPath' in section [PV2SDK Paths] of settings file " + quoted + "\n", {}, false},
      {"PV3 without compiler", {"-p3", "demo"}, "", "", {true, 0}, 1,
       "Error: No key 'CompilerPath' in section [PV3SDK Paths] of settings file " + quoted + "\n", {}, false},
      {"PV2 without compiler", {"demo"}, "[PV2SDK Paths]\nSDKPath=C:\\PVSDK\n", "", {true, 0}, 1,
       "Error: No key 'CompilerPath' in section [PV2SDK Paths] of settings file " + quoted + "\n", {}, true},
      {"make cannot start", {"-l", "demo"}, "", "", {false, 0}, 1, "Error: Unable to start kmmake\n", {"kmmake"}, true},
      {"make fails", {"-l", "demo"}, "", "", {true, 3}, 1,
       "Error: kmmake ended with exit code 3\nError: kmmake ended with exit code 3\n", {"kmmake", "kmmake"}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (!c.settings.empty()) writeSettings(c.settings);
    if (c.project == "none") fs::remove(dir_ / "project/demo.cbx");
    else if (!c.project.empty()) writeFile(dir_ / "project/demo.cbx", c.project);
    runner_ = RecordingRunner();
    runner_.outcome = c.outcome;
    const Result result = run(c.arguments);
    EXPECT_EQ(result.exitCode, c.exitCode);
    EXPECT_EQ(result.err, c.err);
    EXPECT_EQ(result.out, "KESTREL 1.05 Copyright (c) 2004-2026 Velmora Software\n");
    EXPECT_EQ(runner_.runs, c.runs);
    EXPECT_EQ(exists("PV2BUILD/makefile"), c.makefiles);
    EXPECT_FALSE(exists("PV3BUILD"));
    fs::remove_all(dir_ / "project/PV2BUILD");
    reset();
  }
  // A usage request ends the run, whatever follows it.
  runner_ = RecordingRunner();
  const Result usage = run({"-d", "-?", "demo"});
  EXPECT_EQ(usage.exitCode, 0);
  EXPECT_EQ(usage.out, run({}).out);
  EXPECT_TRUE(runner_.runs.empty());
  EXPECT_FALSE(exists("PV2BUILD"));
}

TEST_F(Driver, RecordVouchesOnlyForCompleteWrites) {
  // Committed before the make tool starts, whatever the tool then does.
  runner_.outcome = {true, 2};
  ASSERT_EQ(run({"demo"}).exitCode, 1);
  EXPECT_TRUE(runner_.recordInPlace);
  EXPECT_FALSE(exists("PV2BUILD/kestrel_deps_rel.txt.new"));
  age();
  EXPECT_EQ(run({"demo"}).err, "Error: kmmake ended with exit code 2\n");
  EXPECT_EQ(rewritten(), 0);
  EXPECT_EQ(run({"-DX", "demo"}).exitCode, 1);
  EXPECT_EQ(rewritten(), 4);  // the three makefiles and the record
  // A run without makefiles leaves no record to trust.
  runner_.outcome = {true, 0};
  age();
  EXPECT_EQ(run({"-m-", "-DX", "demo"}).exitCode, 0);
  EXPECT_FALSE(exists("PV2BUILD/kestrel_deps_rel.txt"));
  EXPECT_EQ(run({"-DX", "demo"}).exitCode, 0);
  EXPECT_EQ(rewritten(), 4);

  // A makefile that cannot be written is reported and the build goes on,
  // with no record: the next run writes everything again.
  fs::remove("PV2BUILD/makefile");
  fs::create_directory("PV2BUILD/makefile");
  const Result unwritable = run({"demo"});
  EXPECT_EQ(unwritable.exitCode, 0);
  EXPECT_EQ(unwritable.err, "Unable to write PV2BUILD\\makefile\n");
  EXPECT_FALSE(exists("PV2BUILD/kestrel_deps_rel.txt"));
  EXPECT_FALSE(exists("PV2BUILD/kestrel_deps_rel.txt.new"));
  // A record that cannot take its place is reported, and no pending one stays.
  fs::remove("PV2BUILD/makefile");
  fs::create_directory("PV2BUILD/kestrel_deps_rel.txt");
  EXPECT_EQ(run({"demo"}).err, "Unable to write PV2BUILD\\kestrel_deps_rel.txt\n");
  EXPECT_FALSE(exists("PV2BUILD/kestrel_deps_rel.txt.new"));
}

TEST_F(Driver, CompilationDatabaseIsReplacedOnlyWhenKestrelWroteIt) {
  writeSettings("[PV2SDK Paths]\nSDKPath=C:\\PVSDK\nCompilerPath=C:\\LSIC86\n"
                "[PV3SDK Paths]\nSDKPath=C:\\PVSDK3\nCompilerPath=C:\\SHC\n");
  const std::string note =
      "Note: compile_commands.json was not written by kestrel, so it is left as it is; delete it to have kestrel "
      "write it\n";
  const struct {
    const char* name;
    std::vector<std::string> arguments;
    const char* before;  // written before the run: nullptr leaves the file, "" deletes it
    std::string err;
    const char* holds;  // what the file holds afterwards
  } steps[] = {
      {"the user's own", {"demo"}, "[]\n", note, "[]\n"},
      {"handed over", {"demo"}, "", "", "\"lcc86\""},
      {"kestrel's, for new options", {"-DX", "demo"}, nullptr, "", "\"-DX\""},
      {"kestrel's, by the other back end's record", {"-p3", "demo"}, nullptr, "", "\"shc\""},
      {"kestrel's, by another configuration's", {"-d", "demo"}, nullptr, "", "\"lcc86\""},
      {"edited by the user since", {"-DY", "demo"}, "[1]\n", note, "[1]\n"},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.name);
    if (step.before != nullptr && *step.before == '\0') fs::remove("compile_commands.json");
    else if (step.before != nullptr) writeFile("compile_commands.json", step.before);
    EXPECT_EQ(run(step.arguments).err, step.err);
    EXPECT_NE(readFile("compile_commands.json").find(step.holds), std::string::npos);
  }
}

}  // namespace
