// Names beyond ASCII: kestrel.exe under Wine with the ANSI code page its
// locale gives it (ja_JP: 932, en_US: 1252), and kestrel natively in UTF-8.
#include "testing/kestrel_e2e.h"

#include <chrono>

namespace e2e {
namespace {

const std::string kHyouji = "\xE8\xA1\xA8\xE7\xA4\xBA";  // 表示
const char* const kUtf8 = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

std::string projectListing(const std::string& declaration, const std::string& path) {
  return declaration + "<project>\n  <file path=\"" + path + "\"/>\n</project>\n";
}

class KestrelEncodings : public KestrelPv2 {
 protected:
  testsupport::ProgramRun build(const std::string& title, const std::string& projectFile, const char* locale) {
    fs::remove_all(projectDir_ + "/PV2BUILD");
    writeFile(projectDir_ + "/" + title + ".cbx", projectFile);
    std::map<std::string, std::string> environment = environment_;
    environment["LANG"] = environment["LC_ALL"] = locale;
    return run({"-d", title}, environment);
  }
  bool makefileHolds(const std::string& part) const {
    return readFile(projectDir_ + "/PV2BUILD/makefile").find(part) != std::string::npos;
  }
};

TEST_F(KestrelEncodings, DoubleByteNamesWholeInTheMakefile) {
  if (!target().underWine) GTEST_SKIP() << "code page 932 is a code page of Windows";
  // Both names hold a byte 5C in Shift-JIS, which is "\" in ASCII.
  const auto result = build(kHyouji, projectListing(kUtf8, "C/\xE3\x82\xBD\xE3\x83\x95\xE3\x83\x88.c"), "ja_JP.UTF-8");
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_TRUE(makefileHolds("TARGET = \x95\x5C\x8E\xA6\r\n"));
  EXPECT_TRUE(makefileHolds("$(ODIR)\\\x83\x5C\x83\x74\x83\x67.obj \\\r\n"));
}

TEST_F(KestrelEncodings, WesternCodePageHoldsWhatFitsAndRefusesTheRest) {
  // UTF-8, and bytes that are not UTF-8 (declared or not) taken as the code
  // page's, as files edited by hand always were. Natively bytes pass as they are.
  const std::string utf8 = "\xC3\xBC" "ber", latin = "\xFC" "ber";
  const std::string declared1252 = "<?xml encoding=\"windows-1252\"?>";
  for (const std::string& declaration : {std::string(kUtf8), std::string(), declared1252}) {
    const std::string name = declaration == kUtf8 ? utf8 : latin;
    const auto result = build("demo", projectListing(declaration, "C/" + name + ".c"), "en_US.UTF-8");
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(makefileHolds("$(ODIR)\\" + (target().underWine ? latin : name) + ".obj \\\r\n")) << declaration;
  }
  if (!target().underWine) return;
  const size_t makeRuns = starts().size();
  auto result = build("demo", projectListing(kUtf8, "C/\xE8\xA1\xA8.c"), "en_US.UTF-8");
  EXPECT_EQ(result.exitCode, 1);
  // Standard error is a pipe here: the message comes in the code page, "?" for what it cannot hold.
  EXPECT_EQ(result.err, "Error: File name 'C/?.c' cannot be written in this system's code page\n");
  EXPECT_FALSE(fs::exists(projectDir_ + "/PV2BUILD"));
  // The argument comes whole, not as "??", a pattern that would find demo.cbx.
  result = build(kHyouji, projectListing(kUtf8, "C/main.c"), "en_US.UTF-8");
  EXPECT_EQ(result.err, "Error: File name '??.cbx' cannot be written in this system's code page\n");
  EXPECT_EQ(starts().size(), makeRuns);
}

TEST_F(KestrelEncodings, MessagesComeInTheCodePageOfTheSystem) {
  // 表 in Shift-JIS under Wine's Japanese locale; natively UTF-8 as it is.
  std::map<std::string, std::string> environment = environment_;
  environment["LANG"] = environment["LC_ALL"] = "ja_JP.UTF-8";
  const auto result = run({"-q\xE8\xA1\xA8"}, environment);
  EXPECT_EQ(result.err.substr(0, result.err.find('\n') + 1), std::string("Error: Unknown option '-q") + (target().underWine ? "\x95\x5C" : "\xE8\xA1\xA8") + "'\n");
}

// Header names beyond ASCII: a source in the code page (byte FC for ü) is
// read as the project file is, and a name in another letter case finds the
// header as Windows finds it.
TEST_F(KestrelEncodings, HeadersBeyondAsciiAreFollowed) {
  const std::string header = projectDir_ + "/H/\xC3\xBC" "ber.h";
  std::vector<std::string> includes{"#include \"\xC3\x9C" "ber.h\"\n"};
  if (target().underWine) includes.push_back("#include \"\xFC" "ber.h\"\n");
  fs::create_directories(projectDir_ + "/c");
  for (const std::string& include : includes) {
    SCOPED_TRACE(include);
    writeFile(header, "");
    writeFile(projectDir_ + "/c/main.c", include);
    ASSERT_EQ(build("demo", readFile(target().testdata + "/pv2/demo.cbx"), "en_US.UTF-8").exitCode, 0);
    const std::string makefile = projectDir_ + "/PV2BUILD/makefile";
    const fs::file_time_type aged = fs::last_write_time(makefile) - std::chrono::hours(1);
    fs::last_write_time(makefile, aged);
    writeFile(header, "/* edited */\n");
    std::map<std::string, std::string> environment = environment_;
    environment["LANG"] = environment["LC_ALL"] = "en_US.UTF-8";
    EXPECT_EQ(run({"-d", "demo"}, environment).exitCode, 0);
    EXPECT_NE(fs::last_write_time(makefile), aged);
  }
}

}  // namespace
}  // namespace e2e
