// The driver's decisions, in-process, on a disk in memory: a recording
// runner stands in for the make tools.
#include "buildtool/driver.h"

#include <gtest/gtest.h>

#include <sstream>

#include "testing/memorydisk.h"
#include "testing/testsupport.h"

namespace {

using namespace testsupport;

// Remembers each run and whether the record was in place when it started.
class RecordingRunner : public kestrel::MakeRunner {
 public:
  explicit RecordingRunner(MemoryDisk* disk = nullptr) : disk_(disk) {}
  platform::ProcessOutcome run(const kestrel::MakeRun& makeRun) override {
    runs.push_back(makeRun.toolName);
    recordInPlace = disk_ != nullptr && disk_->has("PV2BUILD\\kestrel_deps_rel.txt");
    if (disk_ != nullptr && !makeRun.removeAfterwards.empty()) disk_->put(makeRun.removeAfterwards, "left behind");
    return outcome;
  }
  std::vector<std::string> runs;
  bool recordInPlace = false;
  platform::ProcessOutcome outcome{true, 0};

 private:
  MemoryDisk* disk_;
};

class Driver : public ::testing::Test {
 protected:
  struct Result {
    int exitCode;
    std::string out, err;
  };
  Result run(const std::vector<std::string>& arguments, bool explain = false) {
    std::ostringstream out, err;
    kestrel::Reporter reporter(out, err, explain);
    const int exitCode =
        kestrel::runKestrel(arguments, programPath(Spelling::product, settings_), disk_, runner_, reporter);
    return {exitCode, out.str(), err.str()};
  }
  void writeSettings(const std::string& text) { writeFile(settings_, crlf(text)); }
  void SetUp() override { reset(); }
  void reset() {
    writeSettings(kSettings);
    disk_ = MemoryDisk();
    disk_.put("demo.cbx", "<project><file path=\"c/main.c\"/></project>\n");
    runner_ = RecordingRunner(&disk_);
  }
  bool exists(const std::string& path) const { return disk_.has(path); }
  // How many files the runs since the last call wrote.
  size_t rewritten() { return disk_.takeWritten().size(); }

  static constexpr const char* kSettings =
      "[PV2SDK Paths]\nSDKPath=C:\\PVSDK\nCompilerPath=C:\\LSIC86\n[PV3SDK Paths]\nSDKPath=C:\\PVSDK3\n";
  TempDir dir_;
  const std::string settings_ = dir_ / "Settings.ini";
  MemoryDisk disk_;
  RecordingRunner runner_;
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
    if (c.project == "none") disk_.remove("demo.cbx");
    else if (!c.project.empty()) disk_.put("demo.cbx", c.project);
    runner_.outcome = c.outcome;
    const Result result = run(c.arguments);
    EXPECT_EQ(result.exitCode, c.exitCode);
    EXPECT_EQ(result.err, c.err);
    EXPECT_EQ(result.out, "KESTREL 1.05 Copyright (c) 2004-2026 Velmora Software\n");
    EXPECT_EQ(runner_.runs, c.runs);
    EXPECT_EQ(exists("PV2BUILD\\makefile"), c.makefiles);
    for (const std::string& path : disk_.paths()) EXPECT_NE(path.rfind("PV3BUILD", 0), 0u) << path;
    reset();
  }
  // A usage request ends the run, whatever follows it.
  const Result usage = run({"-d", "-?", "demo"});
  EXPECT_EQ(usage.exitCode, 0);
  EXPECT_EQ(usage.out, run({}).out);
  EXPECT_TRUE(runner_.runs.empty());
  EXPECT_EQ(disk_.paths(), std::vector<std::string>{"demo.cbx"});
}

TEST_F(Driver, RecordVouchesOnlyForCompleteWrites) {
  // Committed before the make tool starts, whatever the tool then does.
  runner_.outcome = {true, 2};
  ASSERT_EQ(run({"demo"}).exitCode, 1);
  EXPECT_TRUE(runner_.recordInPlace);
  EXPECT_FALSE(exists("PV2BUILD\\kestrel_deps_rel.txt.new"));
  rewritten();
  EXPECT_EQ(run({"demo"}).err, "Error: kmmake ended with exit code 2\n");
  EXPECT_EQ(rewritten(), 0u);
  EXPECT_EQ(run({"-DX", "demo"}).exitCode, 1);
  EXPECT_EQ(rewritten(), 5u);  // the three makefiles, the record and the database
  // A run without makefiles leaves no record to trust.
  runner_.outcome = {true, 0};
  EXPECT_EQ(run({"-m-", "-DX", "demo"}).exitCode, 0);
  EXPECT_FALSE(exists("PV2BUILD\\kestrel_deps_rel.txt"));
  EXPECT_EQ(run({"-DX", "demo"}).exitCode, 0);
  EXPECT_EQ(rewritten(), 4u);

  // A makefile that cannot be written is reported and the build goes on,
  // with no record: the next run writes everything again.
  disk_.refuseWrites("PV2BUILD\\makefile");
  const Result unwritable = run({"demo"});
  EXPECT_EQ(unwritable.exitCode, 0);
  EXPECT_EQ(unwritable.err, "Unable to write PV2BUILD\\makefile\n");
  EXPECT_FALSE(exists("PV2BUILD\\kestrel_deps_rel.txt"));
  EXPECT_FALSE(exists("PV2BUILD\\kestrel_deps_rel.txt.new"));
  // A record that cannot take its place is reported, and no pending one stays.
  disk_.refuseWrites("PV2BUILD\\makefile", false);
  disk_.refuseWrites("PV2BUILD\\kestrel_deps_rel.txt");
  EXPECT_EQ(run({"demo"}).err, "Unable to write PV2BUILD\\kestrel_deps_rel.txt\n");
  EXPECT_FALSE(exists("PV2BUILD\\kestrel_deps_rel.txt.new"));
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
    if (step.before != nullptr && *step.before == '\0') disk_.remove("compile_commands.json");
    else if (step.before != nullptr) disk_.put("compile_commands.json", step.before);
    EXPECT_EQ(run(step.arguments).err, step.err);
    EXPECT_NE(disk_.bytes("compile_commands.json").find(step.holds), std::string::npos);
  }
}

}  // namespace

namespace {

// Each decision the record makes, as a row: what changed after a complete
// run, what the next run writes, what it says (and explains) and what it
// leaves for the run after it.
TEST_F(Driver, EachIncrementalDecision) {
  const std::string record = "PV2BUILD\\kestrel_deps_rel.txt";
  const std::vector<std::string> makefiles = {"PV2BUILD\\MakeSDK.1", "PV2BUILD\\MakeSDK.2", "PV2BUILD\\makefile"};
  const auto every = [&](std::vector<std::string> more = {}) {
    std::vector<std::string> written{record + ".new"};
    written.insert(written.end(), makefiles.begin(), makefiles.end());
    written.insert(written.end(), more.begin(), more.end());
    return written;
  };
  const std::string database = "compile_commands.json";
  const std::string uncertain = " names no header that kestrel can follow";
  using Change = std::function<void(MemoryDisk&)>;
  const Change none = [](MemoryDisk&) {};
  const struct Row {
    const char* name;
    Change change;
    std::vector<std::string> arguments;
    std::vector<std::string> written;  // by the run after the change, in order
    std::string explained;             // its explain line that says why
    std::string err = "";              // what it says without explaining
    bool settles = true;               // the run after it writes nothing
  } rows[] = {
      {"nothing", none, {"demo"}, {}, record + " left: it vouches for the present"},
      {"an option", none, {"-DX", "demo"}, every({database}), "every makefile is written: the option define changed"},
      {"a setting",
       [&](MemoryDisk&) { writeSettings("[PV2SDK Paths]\nSDKPath=C:\\PVSDK2\nCompilerPath=C:\\LSIC86\n"); },
       {"demo"}, every({database}), "every makefile is written: the setting SDKPath changed"},
      {"the other generation", none, {"-p3", "demo"},
       {"PV3BUILD\\kestrel_deps_rel.txt.new", "PV3BUILD\\makefile.mak", "PV3BUILD\\sources.def", database},
       "every makefile is written: the record PV3BUILD\\kestrel_deps_rel.txt is missing", "", false},
      {"a header of the project", [](MemoryDisk& d) { d.put("H\\app.h", "/* edited */\n"); }, {"demo"}, every(),
       "every makefile is written: the header H\\app.h changed"},
      {"a header of the SDK", [](MemoryDisk& d) { d.put("C:\\PVSDK\\C\\Com_H\\sdk.h", "/* edited */\n"); }, {"demo"},
       every(), "every makefile is written: the header C:\\PVSDK\\C\\Com_H\\sdk.h changed"},
      {"a header that hides the SDK's", [](MemoryDisk& d) { d.put("H\\sdk.h", ""); }, {"demo"}, every(),
       "every makefile is written: the header H\\sdk.h changed"},
      {"a library of the link", [](MemoryDisk& d) { d.put("C:\\PVSDK\\C\\Com_Lib\\s\\x.lib", "new"); }, {"demo"},
       every(), "every makefile is written: the input C:\\PVSDK\\C\\Com_Lib\\s\\x.lib changed"},
      {"a library added",
       [](MemoryDisk& d) {
         d.put("demo.cbx", "<project><file path=\"C/main.c\"/><file path=\"H/app.h\"/><file path=\"x.lib\"/>"
                           "<file path=\"y.lib\"/></project>\n");
       },
       {"demo"}, every(), "every makefile is written: the library y.lib changed"},
      {"an input of the SDK", [](MemoryDisk& d) { d.put("C:\\PVSDK\\C\\Com_H\\define.h", "#define X 2\n"); },
       {"demo"}, every(), "every makefile is written: the input C:\\PVSDK\\C\\Com_H\\define.h changed"},
      {"a source edited", [](MemoryDisk& d) { d.put("C\\main.c", "#include \"app.h\"\n#include <sdk.h>\n\n"); },
       {"demo"}, {record + ".new"}, record + " written: the inputs or the scans changed"},
      {"an older source put back",
       [](MemoryDisk& d) {
         const ucl::FileStamp now = *d.stampOf("C\\main.c");
         d.put("C\\main.c", "#include \"app.h\"\n#include <sdk.h>\n//\n", {now.size + 3, now.modified - 1});
       },
       {"demo"}, every(), "every makefile is written: the time of C\\main.c went back"},
      {"a pending record of a run that stopped",
       [&](MemoryDisk& d) {
         d.remove(record);
         d.put(record + ".new", "kestrel build record 1\n");
       },
       {"demo"}, every(), "every makefile is written: the record " + record + " is missing"},
      {"a damaged record", [&](MemoryDisk& d) { d.put(record, d.bytes(record) + "x"); }, {"demo"}, every(),
       "every makefile is written: the record " + record + " is damaged"},
      {"no makefiles (-m-)", none, {"-m-", "demo"}, {},
       "no makefile is written (-m-), so no record vouches for them", "", false},
      {"a makefile edited by hand", [](MemoryDisk& d) { d.put("PV2BUILD\\makefile", "all:\n"); }, {"demo"},
       {"PV2BUILD\\makefile"}, "PV2BUILD\\makefile written: its text differs from the file's"},
      {"an #include of a macro",
       [](MemoryDisk& d) { d.put("C\\main.c", "#include \"app.h\"\n#include <sdk.h>\n#define H PICK(a)\n#include H\n"); }, {"demo"}, every(),
       "every makefile is written: C\\main.c: #include H" + uncertain,
       "Note: C\\main.c: #include H" + uncertain + ", so every makefile is written again\n", false},
      {"a letter the fold does not know", [](MemoryDisk& d) { d.put("C\\main.c", "#include \"app.h\"\n#include <sdk.h>\n#include \"\xD5\xA1.h\"\n"); },
       {"demo"}, every(), "every makefile is written: C\\main.c: #include \"\xD5\xA1.h\"" + uncertain,
       "Note: C\\main.c: #include \"\xD5\xA1.h\"" + uncertain + ", so every makefile is written again\n", false},
  };
  for (const Row& row : rows) {
    for (const bool explain : {false, true}) {
      SCOPED_TRACE(std::string(row.name) + (explain ? ", explained" : ""));
      reset();
      writeSettings(std::string(kSettings) + "CompilerPath=C:\\SHC\n");
      disk_.put("demo.cbx",
                "<project><file path=\"C/main.c\"/><file path=\"H/app.h\"/><file path=\"x.lib\"/></project>\n");
      disk_.put("C\\main.c", "#include \"app.h\"\n#include <sdk.h>\n");
      disk_.put("H\\app.h", "");
      disk_.put("C:\\PVSDK\\C\\Com_H\\sdk.h", "");
      disk_.put("C:\\PVSDK\\C\\Com_H\\define.h", "#define X 1\n");
      disk_.put("C:\\PVSDK\\C\\Com_Lib\\s\\x.lib", "old");
      ASSERT_EQ(run({"demo"}).exitCode, 0);
      disk_.takeWritten();
      row.change(disk_);
      const Result result = run(row.arguments, explain);
      EXPECT_EQ(result.exitCode, 0);
      EXPECT_EQ(disk_.takeWritten(), row.written);
      EXPECT_FALSE(exists("make.i"));  // what the make tool leaves is removed
      if (!explain) {
        EXPECT_EQ(result.err, row.err);
        continue;
      }
      // The explain lines come on top of what is said anyway, one for the
      // decision to write everything only when it was taken.
      std::string said, explained;
      std::istringstream lines(result.err);
      for (std::string line; std::getline(lines, line);) (line.rfind("kestrel explain: ", 0) == 0 ? explained : said) += line + "\n";
      EXPECT_EQ(said, row.err);
      EXPECT_NE(explained.find("kestrel explain: " + row.explained + "\n"), std::string::npos) << explained;
      EXPECT_EQ(explained.find("every makefile is written:") != std::string::npos,
                row.explained.rfind("every makefile is written:", 0) == 0);
      if (row.arguments.back() != "demo" || row.arguments.size() != 1) continue;
      EXPECT_TRUE(exists(record));
      EXPECT_FALSE(exists(record + ".new"));
      const Result third = run({"demo"}, true);
      EXPECT_EQ(disk_.takeWritten().empty(), row.settles) << third.err;
    }
  }
}

}  // namespace
