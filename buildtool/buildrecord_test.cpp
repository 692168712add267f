// kestrel's record: every input the make tool cannot see is in it, and only
// an intact record of the same inputs lets the writes be skipped.
#include "buildtool/buildrecord.h"

#include <gtest/gtest.h>

#include <functional>

#include "testing/testsupport.h"

using namespace kestrel;

namespace {

using testsupport::writeFile;

TEST(BuildRecord, EveryInputChangesTheRecord) {
  const BuildOptions options;
  const ucl::SdkPaths settings{"X:\\sdk", std::string("X:\\cc")};
  const std::vector<HeaderStamp> headers{{"H\\a.h", {10, 1000}}, {"X:\\sdk\\b.h", {20, 2000}}};
  const std::string base = recordText(options, settings, headers);
  struct Case {
    const char* what;
    std::function<void(BuildOptions&, ucl::SdkPaths&, std::vector<HeaderStamp>&)> change;
  } const cases[] = {
      {"pv model", [](auto& o, auto&, auto&) { o.pvModel = 3; }},
      {"project", [](auto& o, auto&, auto&) { o.projectFile = "other"; }},
      {"program", [](auto& o, auto&, auto&) { o.programName = "other"; }},
      {"define added", [](auto& o, auto&, auto&) { o.defines.push_back("A"); }},
      {"version", [](auto& o, auto&, auto&) { o.version = 200; }},
      {"library", [](auto& o, auto&, auto&) { o.createLibrary = true; }},
      {"debug", [](auto& o, auto&, auto&) { o.debugBuild = true; }},
      {"asm optimisation", [](auto& o, auto&, auto&) { o.asmOptimisation = true; }},
      {"memory model", [](auto& o, auto&, auto&) { o.memoryModel = 'P'; }},
      {"target segment", [](auto& o, auto&, auto&) { o.targetSegment = 90000; }},
      {"sdk path", [](auto&, auto& s, auto&) { s.sdkPath = "X:\\sdk2"; }},
      {"compiler path", [](auto&, auto& s, auto&) { s.compilerPath = "X:\\cc2"; }},
      {"compiler path missing", [](auto&, auto& s, auto&) { s.compilerPath.reset(); }},
      {"header size", [](auto&, auto&, auto& h) { h[0].stamp.size = 11; }},
      {"header time", [](auto&, auto&, auto& h) { h[1].stamp.modified = 2001; }},
      {"header found elsewhere", [](auto&, auto&, auto& h) { h[1].path = "H\\b.h"; }},
      {"header gone", [](auto&, auto&, auto& h) { h.pop_back(); }},
  };
  for (const Case& c : cases) {
    BuildOptions changedOptions = options;
    ucl::SdkPaths changedSettings = settings;
    std::vector<HeaderStamp> changedHeaders = headers;
    c.change(changedOptions, changedSettings, changedHeaders);
    EXPECT_NE(recordText(changedOptions, changedSettings, changedHeaders), base) << c.what;
  }
  // Values are written with their lengths: moving text between two of them
  // is a change too.
  BuildOptions split = options;
  split.defines = {"A", "B"};
  BuildOptions joined = options;
  joined.defines = {"A\ndefine 1:B"};
  EXPECT_NE(recordText(split, settings, headers), recordText(joined, settings, headers));
}

TEST(BuildRecord, OnlyAnIntactRecordOfTheSameInputsSkips) {
  const std::string present = recordText(BuildOptions(), {"X:\\sdk", std::nullopt}, {{"H\\a.h", {1, 2}}});
  EXPECT_TRUE(maySkipWrites(present, present));
  EXPECT_FALSE(maySkipWrites(std::nullopt, present));                                  // missing or unreadable
  EXPECT_FALSE(maySkipWrites(present.substr(0, present.size() - 4), present));         // cut short
  EXPECT_FALSE(maySkipWrites(std::string(), present));                                 // empty
  EXPECT_FALSE(maySkipWrites(present + "header 1:x\n", present));                      // more than it should hold
  EXPECT_NE(recordPath("PV2BUILD", true), recordPath("PV2BUILD", false));
}

class ProjectHeaders : public ::testing::Test {
 protected:
  testsupport::TempDir dir_;
  testsupport::ScopedCurrentDirectory inDir_{dir_.path()};
};

TEST_F(ProjectHeaders, ListedAndReachedHeadersOnceEach) {
  writeFile(dir_ / "C/main.c", "#include \"app.h\"\n#include <sdk.h>\n#include \"gone.h\"\n");
  writeFile(dir_ / "C/other.c", "#include \"../H/app.h\"\n");
  writeFile(dir_ / "H/app.h", "#include \"inner.h\"\n#include \"app.h\"\n");  // includes itself
  writeFile(dir_ / "H/inner.h", "#include <deep.h>\n");
  writeFile(dir_ / "H/listed.h", "#include \"../shared/util.h\"\n");
  writeFile(dir_ / "sdk/Com_H/sdk.h", "");
  writeFile(dir_ / "sdk/Com_H/deep.h", "1234");
  writeFile(dir_ / "shared/util.h", "");
  const std::vector<std::string> files{"C\\main.c", "C\\other.c", "H\\listed.h", "H\\missing.h", "readme.txt"};
  const HeaderSearchPath search{"H", {"H", "sdk\\Com_H"}};
  const ProjectScan scan = projectHeaders(files, search, nullptr);
  const std::vector<HeaderStamp>& headers = scan.headers;
  std::vector<std::string> paths;
  for (const HeaderStamp& header : headers) paths.push_back(header.path);
  EXPECT_EQ(paths, (std::vector<std::string>{"H\\app.h", "H\\inner.h", "H\\listed.h", "sdk\\Com_H\\deep.h",
                                             "sdk\\Com_H\\sdk.h", "shared\\util.h"}));
  EXPECT_EQ(headers[3].stamp.size, 4);

  // The next run takes the includes of a file from the record while its
  // stamp holds, and reads the file again when it moved.
  ScanCache previous;
  previous.add("H\\inner.h", *platform::fileStamp("H\\inner.h"), {{"sdk.h", false}});
  previous.add("H\\listed.h", {0, 0}, {});
  const std::string record = recordFile("x", previous);
  const std::optional<ReadRecord> recorded = parseRecordFile(record);
  ASSERT_TRUE(recorded);
  std::vector<std::string> again;
  for (const HeaderStamp& header : projectHeaders(files, search, &recorded->scans).headers) {
    again.push_back(header.path);
  }
  EXPECT_EQ(again, (std::vector<std::string>{"H\\app.h", "H\\inner.h", "H\\listed.h", "sdk\\Com_H\\sdk.h",
                                             "shared\\util.h"}));
}

TEST(RecordFile, DamageAnywhereIsKnown) {
  ScanCache scans;
  scans.add("C\\a.c", {10, 20}, {{"a.h", true}, {"b.h", false}});
  scans.add("H\\a.h", {3, -4}, {});
  const std::string whole = recordFile("compared\ntext\n", scans);
  const std::optional<ReadRecord> read = parseRecordFile(whole);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->compared, "compared\ntext\n");
  const std::optional<std::vector<IncludeDirective>> includes = read->scans.find("C\\a.c", {10, 20});
  ASSERT_TRUE(includes);
  ASSERT_EQ(includes->size(), 2u);
  EXPECT_EQ((*includes)[1].name, "b.h");
  EXPECT_FALSE((*includes)[1].quoted);
  EXPECT_FALSE(read->scans.find("C\\a.c", {10, 21}));
  EXPECT_TRUE(read->scans.find("H\\a.h", {3, -4}));
  for (size_t at = 0; at < whole.size(); ++at) {
    std::string damaged = whole;
    damaged[at] ^= 0x01;
    EXPECT_FALSE(parseRecordFile(damaged)) << "byte " << at;
    EXPECT_FALSE(parseRecordFile(whole.substr(0, at))) << "cut at " << at;
  }
}

// The record is renewed unless the scans are exactly the loaded ones, and
// entries copied from it are the text that add writes.
TEST(RecordFile, CopiedScansAreTheRecordsOwnOnlyWhenWholeAndInOrder) {
  const std::vector<std::pair<std::string, platform::FileStamp>> files = {
      {"C\\a.c", {10, 20}}, {"H\\a.h", {3, 4}}, {"H\\b.h", {5, 6}}};
  const std::vector<std::vector<IncludeDirective>> includes = {{{"a.h", true}}, {}, {{"c.h", false}}};
  ScanCache first;
  for (size_t i = 0; i < files.size(); ++i) first.add(files[i].first, files[i].second, includes[i]);
  const std::string whole = recordFile("x", first);
  const std::optional<ReadRecord> read = parseRecordFile(whole);
  ASSERT_TRUE(read);
  std::vector<std::string_view> entries;
  for (const auto& [path, stamp] : files) {
    std::string_view entry;
    ASSERT_TRUE(read->scans.find(path, stamp, &entry));
    entries.push_back(entry);
  }
  const auto copied = [&](const std::vector<size_t>& order) {
    ScanCache scans;
    for (const size_t i : order) scans.addEntry(entries[i]);
    return scans;
  };
  const ScanCache again = copied({0, 1, 2});
  EXPECT_TRUE(again.copies(read->scans.loadedText()));
  EXPECT_EQ(recordFile("x", again), whole);
  for (const std::vector<size_t>& order : std::vector<std::vector<size_t>>{{0, 1}, {1, 2}, {0, 2}, {1, 0, 2}}) {
    EXPECT_FALSE(copied(order).copies(read->scans.loadedText())) << order.size();
  }
  // One file scanned anew between copied ones.
  ScanCache changed;
  changed.addEntry(entries[0]);
  changed.add("H\\a.h", {3, 5}, {});
  changed.addEntry(entries[2]);
  EXPECT_FALSE(changed.copies(read->scans.loadedText()));
  ScanCache expected;
  expected.add(files[0].first, files[0].second, includes[0]);
  expected.add("H\\a.h", {3, 5}, {});
  expected.add(files[2].first, files[2].second, includes[2]);
  EXPECT_EQ(changed.text(), expected.text());
  EXPECT_EQ(recordFile("x", changed), recordFile("x", expected));
}

TEST_F(ProjectHeaders, LetterCaseIsIgnoredAsWindowsIgnoresIt) {
  writeFile(dir_ / "C/main.c", "#include <App.H>\n");
  writeFile(dir_ / "H/app.h", "");
  // The makefiles name the project's directory "h".
  const std::vector<HeaderStamp> headers = projectHeaders({"c\\MAIN.C"}, {"H", {"h"}}, nullptr).headers;
  ASSERT_EQ(headers.size(), 1u);
  EXPECT_EQ(headers[0].path, "h\\App.H");
}

}  // namespace
