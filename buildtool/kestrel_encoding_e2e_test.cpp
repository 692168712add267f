// Names beyond ASCII: kestrel.exe under Wine with the ANSI code page its
// locale gives it (ja_JP: 932, en_US: 1252), and kestrel natively in UTF-8.
#include "buildtool/kestrel_e2e.h"

namespace e2e {
namespace {

const std::string kHyouji = "\xE8\xA1\xA8\xE7\xA4\xBA";           // 表示
const std::string kSofuto = "\xE3\x82\xBD\xE3\x83\x95\xE3\x83\x88";  // ソフト

std::map<std::string, std::string> inLocale(std::map<std::string, std::string> environment, const char* locale) {
  environment["LANG"] = locale;
  environment["LC_ALL"] = locale;
  return environment;
}

std::string projectListing(const std::string& declaration, const std::vector<std::string>& paths) {
  std::string text = declaration + "<project>\n";
  for (const std::string& path : paths) text += "  <file path=\"" + path + "\"/>\n";
  return text + "</project>\n";
}
const char* const kUtf8 = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

bool holds(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST_F(KestrelPv2, DoubleByteNamesWholeInTheMakefile) {
  if (!target().underWine) GTEST_SKIP() << "code page 932 is a code page of Windows";
  // Both names hold a byte 5C in Shift-JIS, which is "\" in ASCII.
  writeFile(projectDir_ + "/" + kHyouji + ".cbx", projectListing(kUtf8, {"C/" + kSofuto + ".c"}));
  const auto result = run({"-d", kHyouji}, inLocale(environment_, "ja_JP.UTF-8"));
  EXPECT_EQ(result.exitCode, 0) << result.err;
  const std::string makefile = readFile(projectDir_ + "/PV2BUILD/makefile");
  EXPECT_TRUE(holds(makefile, "TARGET = \x95\x5C\x8E\xA6\r\n")) << makefile;
  EXPECT_TRUE(holds(makefile, "$(ODIR)\\\x83\x5C\x83\x74\x83\x67.obj \\\r\n")) << makefile;
}

TEST_F(KestrelPv2, WesternCodePageHoldsWhatFitsAndRefusesTheRest) {
  const auto build = [&](const std::string& projectFile, const std::vector<std::string>& arguments) {
    fs::remove_all(projectDir_ + "/PV2BUILD");
    writeFile(projectDir_ + "/demo.cbx", projectFile);
    return run(arguments, inLocale(environment_, "en_US.UTF-8"));
  };
  // UTF-8 in the project file; and bytes that are not UTF-8 taken as the
  // code page's, as files edited by hand always were. Natively the bytes
  // pass as they are.
  const std::string utf8 = "\xC3\xBC" "ber";
  const std::string latin = "\xFC" "ber";
  for (const std::string& name : {utf8, latin}) {
    const std::string declaration = name == utf8 ? kUtf8 : "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n";
    const std::string projectFile = projectListing(declaration, {"C/" + name + ".c"});
    const std::string uber = target().underWine ? latin : name;
    auto result = build(projectFile, {"-d", "demo"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(holds(readFile(projectDir_ + "/PV2BUILD/makefile"), "$(ODIR)\\" + uber + ".obj \\\r\n"));
    if (name == utf8) continue;
    result = build(projectListing("", {"C/" + name + ".c"}), {"-d", "demo"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const std::string makefile = readFile(projectDir_ + "/PV2BUILD/makefile");
    EXPECT_TRUE(holds(makefile, "$(ODIR)\\" + uber + ".obj \\\r\n")) << projectFile;
  }
  if (!target().underWine) return;
  const size_t startsBefore = starts().size();
  auto result = build(projectListing(kUtf8, {"C/main.c", "C/\xE8\xA1\xA8.c"}), {"-d", "demo"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "Error: File name 'C/\xE8\xA1\xA8.c' cannot be written in this system's code page\n");
  EXPECT_FALSE(fs::exists(projectDir_ + "/PV2BUILD"));
  // The program's own arguments come whole, not as "??", which would be a
  // pattern that finds demo.cbx.
  writeFile(projectDir_ + "/" + kHyouji + ".cbx", projectListing(kUtf8, {"C/main.c"}));
  result = build(projectListing(kUtf8, {"C/main.c"}), {"-d", kHyouji});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "Error: File name '" + kHyouji + ".cbx' cannot be written in this system's code page\n");
  EXPECT_EQ(starts().size(), startsBefore);
}

}  // namespace
}  // namespace e2e
