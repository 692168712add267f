// compile_commands.json as editors see it: valid JSON after every run that
// writes makefiles, rewritten when and only when its text changes, and
// enough for a real compiler front end to find the sample's headers.
#include "testing/kestrel_e2e.h"

#include <chrono>

namespace {

using namespace e2e;

// The entries' files, one a line, after a count: what a strict JSON parser
// reads from the file.
std::string parsed(const std::string& path) {
  const auto result = testsupport::runProgram(
      {"python3", "-c",
       "import json,sys\n"
       "d = json.load(open(sys.argv[1], encoding='utf-8'))\n"
       "print(len(d))\n"
       "for e in d: print(e['file'].replace('\\\\', '/').rsplit('/', 2)[-2:], e['arguments'][0])\n",
       path},
      ".");
  EXPECT_EQ(result.exitCode, 0) << result.err;
  return result.out;
}

// A directory below one the settings name, as the file spells it in JSON.
std::string jsonPath(const std::string& setting, const std::string& below) {
  const char separator = target().underWine ? '\\' : '/';
  std::string path = setting + separator + below;
  for (char& c : path) c = c == '/' ? separator : c;
  std::string escaped;
  for (const char c : path) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
  return escaped;
}

fs::file_time_type aged(const std::string& path) {
  const fs::file_time_type stamp = fs::last_write_time(path) - std::chrono::hours(1);
  fs::last_write_time(path, stamp);
  return stamp;
}

TEST_F(KestrelPv2, CompileCommandsFollowTheProjectOptionsAndSettings) {
  const std::string db = projectDir_ + "/compile_commands.json";
  ASSERT_EQ(run({"demo"}, environment_).exitCode, 0);
  EXPECT_EQ(parsed(db), "2\n['c', 'util.c'] lcc86\n['c', 'main.c'] lcc86\n");
  const std::string first = readFile(db);
  const std::string sdkIncludes = "\"-I" + jsonPath(sdk_, "C/Com_H") + "\", \"-I" + jsonPath(sdk_, "C/Com_Lib/h");
  EXPECT_NE(first.find(sdkIncludes + "\", \"-DPV=1\""), std::string::npos) << first;

  // Nothing it holds changed: left alone, also when the makefiles are all
  // rewritten (debug, then -m-, after which the record is gone).
  fs::file_time_type stamp = aged(db);
  const std::vector<std::vector<std::string>> unchanged = {{"demo"}, {"-d", "demo"}, {"-m-", "demo"}, {"demo"}};
  for (const std::vector<std::string>& options : unchanged) {
    run(options, environment_);
    EXPECT_EQ(fs::last_write_time(db), stamp) << options[0];
  }
  EXPECT_EQ(readFile(db), first);

  // Each thing it depends on, changed in turn.
  run({"-DX=1;Y", "demo"}, environment_);
  EXPECT_NE(readFile(db).find("\"-DPV=1\", \"-DY\", \"-DX=1\""), std::string::npos) << readFile(db);
  std::string project = readFile(projectDir_ + "/demo.cbx");
  project.insert(project.find("<file path=\"H/app.h\"/>"), "<file path=\"c/new.c\"/>");
  writeFile(projectDir_ + "/demo.cbx", project);
  run({"demo"}, environment_);
  EXPECT_EQ(parsed(db), "3\n['c', 'new.c'] lcc86\n['c', 'util.c'] lcc86\n['c', 'main.c'] lcc86\n");
  writeSettings("[PV2SDK Paths]\nSDKPath=" + sdk_ + "2\nCompilerPath=" + compiler_ + "\n");
  run({"demo"}, environment_);
  EXPECT_NE(readFile(db).find("\"-I" + jsonPath(sdk_ + "2", "C/Com_H") + "\""), std::string::npos) << readFile(db);

  // Deleted while the makefiles are up to date: written again.
  stamp = aged(projectDir_ + "/PV2BUILD/makefile");
  fs::remove(db);
  run({"demo"}, environment_);
  EXPECT_EQ(parsed(db).substr(0, 2), "3\n");
  EXPECT_EQ(fs::last_write_time(projectDir_ + "/PV2BUILD/makefile"), stamp);
}

TEST_F(KestrelPv3, CompileCommandsFollowTheCompilerAndTheGeneration) {
  const std::string db = projectDir_ + "/compile_commands.json";
  run({"-p3", "-DA;B=2", "demo"}, environment_);
  EXPECT_EQ(parsed(db), "2\n['C', 'util.c'] shc\n['C', 'main.c'] shc\n");
  const std::string settings = "[PV3SDK Paths]\nSDKPath=" + sdk_ + "\nCompilerPath=" + compiler_ + "2\n";
  writeSettings(settings);
  run({"-p3", "-DA;B=2", "demo"}, environment_);
  EXPECT_NE(readFile(db).find("\"-I" + jsonPath(compiler_ + "2", "include") + "\""), std::string::npos) << readFile(db);
  writeSettings(settings + "[PV2SDK Paths]\nSDKPath=" + sdk_ + "\nCompilerPath=" + compiler_ + "\n");
  run({"-p2", "-DA;B=2", "demo"}, environment_);
  // PV2 compiles "OLD.C" too, which PV3 leaves out.
  EXPECT_EQ(parsed(db), "3\n['C', 'util.c'] lcc86\n['C', 'OLD.C'] lcc86\n['C', 'main.c'] lcc86\n");
}

// Debian's clang over every entry of the sample, from its directory with
// its arguments after the compiler's name: every header is found (errors
// about what the SDK's compilers accept and clang does not are fine).
TEST_F(KestrelPv2, CompileCommandsOfTheSampleFindEveryHeader) {
  fs::remove(projectDir_ + "/demo.cbx");
  fs::copy(KESTREL_SAMPLE, projectDir_, fs::copy_options::recursive);
  fs::create_directories(sdk_ + "/C/Com_H");
  fs::create_directories(sdk_ + "/C/Com_Lib/h");
  ASSERT_EQ(run({"-d", "hello"}, environment_).exitCode, 0);
  const auto result = testsupport::runProgram(
      {"python3", "-c",
       "import json,subprocess,sys\n"
       "d = json.load(open('compile_commands.json', encoding='utf-8'))\n"
       "print(len(d))\n"
       "for e in d:\n"
       "  r = subprocess.run(['clang', '-fsyntax-only'] + e['arguments'][1:], cwd=e['directory'],\n"
       "                     capture_output=True, text=True)\n"
       "  print(e['file'], r.returncode, r.stderr)\n"},
      projectDir_);
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out.substr(0, 2), "2\n") << result.out;
  EXPECT_EQ(result.out.find("file not found"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("hello.c 0"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("greeting.c 0"), std::string::npos) << result.out;
}

}  // namespace
