// kestrel's record: every input the make tool cannot see is in it, and only
// an intact record of the same inputs lets the writes be skipped.
#include "buildtool/buildrecord.h"
#include "buildtool/includescan.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "platform/files.h"
#include "testing/memorydisk.h"
#include "testing/testsupport.h"

using namespace kestrel;

namespace {

TEST(BuildRecord, EveryInputChangesTheRecord) {
  const BuildOptions options;
  const ucl::SdkPaths settings{"X:\\sdk", std::string("X:\\cc")};
  const std::vector<HeaderStamp> headers{{"H\\a.h", {10, 1000}}, {"X:\\sdk\\b.h", {20, 2000}}};
  const std::vector<std::string> libraries{"lib\\a.lib"};
  const std::string base = comparedText(options, settings, headers, libraries);
  const auto withLibraries = [&](const std::vector<std::string>& changed) {
    return comparedText(options, settings, headers, changed);
  };
  EXPECT_NE(withLibraries({}), base);
  EXPECT_NE(withLibraries({"lib\\a.lib", "lib\\b.lib"}), base);
  EXPECT_NE(withLibraries({"lib\\b.lib", "lib\\a.lib"}), withLibraries({"lib\\a.lib", "lib\\b.lib"}));
  EXPECT_EQ(projectLibraries({"C\\a.c", "lib\\x.lib", "H\\a.h", "y.LIB"}),
            (std::vector<std::string>{"lib\\x.lib", "y.LIB"}));
  // What the explain line says of each, from a record of the base.
  testsupport::MemoryDisk disk;
  disk.put("B\\kestrel_deps_rel.txt", recordFileText(base, ScanCache()));
  BuildRecord record(disk, "B", false);
  ASSERT_EQ(record.load(), BuildRecord::State::intact);
  EXPECT_EQ(record.difference(base), "");
  EXPECT_EQ(record.difference(withLibraries({"lib\\b.lib"})), "the library lib\\b.lib changed");
  EXPECT_EQ(record.difference(withLibraries({})), "the library lib\\a.lib changed");  // gone
  struct Case {
    const char* what;
    const char* explained;
    std::function<void(BuildOptions&, ucl::SdkPaths&, std::vector<HeaderStamp>&)> change;
  } const cases[] = {
      {"pv model", "the option pv changed", [](auto& o, auto&, auto&) { o.pvModel = 3; }},
      {"project", "the option project changed", [](auto& o, auto&, auto&) { o.projectFile = "other"; }},
      {"program", "the option program changed", [](auto& o, auto&, auto&) { o.programName = "other"; }},
      {"define added", "the option define changed", [](auto& o, auto&, auto&) { o.defines.push_back("A"); }},
      {"version", "the option version changed", [](auto& o, auto&, auto&) { o.version = 200; }},
      {"library", "the option library changed", [](auto& o, auto&, auto&) { o.createLibrary = true; }},
      {"debug", "the option debug changed", [](auto& o, auto&, auto&) { o.debugBuild = true; }},
      {"asm optimisation", "the option asmopt changed", [](auto& o, auto&, auto&) { o.asmOptimisation = true; }},
      {"memory model", "the option model changed", [](auto& o, auto&, auto&) { o.memoryModel = 'P'; }},
      {"target segment", "the option segment changed", [](auto& o, auto&, auto&) { o.targetSegment = 90000; }},
      {"sdk path", "the setting SDKPath changed", [](auto&, auto& s, auto&) { s.sdkPath = "X:\\sdk2"; }},
      {"compiler path", "the setting CompilerPath changed", [](auto&, auto& s, auto&) { s.compilerPath = "X:\\cc2"; }},
      {"compiler path missing", "the setting CompilerPath changed", [](auto&, auto& s, auto&) { s.compilerPath.reset(); }},
      {"header size", "the header H\\a.h changed", [](auto&, auto&, auto& h) { h[0].stamp.size = 11; }},
      {"header time", "the header X:\\sdk\\b.h changed", [](auto&, auto&, auto& h) { h[1].stamp.modified = 2001; }},
      {"header found elsewhere", "the header H\\b.h changed", [](auto&, auto&, auto& h) { h[1].path = "H\\b.h"; }},
      {"header gone", "the header X:\\sdk\\b.h changed", [](auto&, auto&, auto& h) { h.pop_back(); }},
  };
  for (const Case& c : cases) {
    BuildOptions changedOptions = options;
    ucl::SdkPaths changedSettings = settings;
    std::vector<HeaderStamp> changedHeaders = headers;
    c.change(changedOptions, changedSettings, changedHeaders);
    const std::string changed = comparedText(changedOptions, changedSettings, changedHeaders, libraries);
    EXPECT_NE(changed, base) << c.what;
    EXPECT_EQ(record.difference(changed), c.explained) << c.what;
  }
  // The files the makefiles hand to the tools, by stamp: an edit that kept
  // the time, an older copy, gone, there now, another file.
  const std::vector<InputStamp> inputs{{"X:\\sdk\\a.sub", platform::FileStamp{5, 50}}, {"X:\\x.lib", std::nullopt}};
  const std::string withInputs = comparedText(options, settings, headers, libraries, inputs);
  EXPECT_NE(withInputs, base);
  const std::function<void(std::vector<InputStamp>&)> inputChanges[] = {
      [](auto& i) { i[0].stamp->size = 6; }, [](auto& i) { i[0].stamp->modified = 49; },
      [](auto& i) { i[0].stamp.reset(); },   [](auto& i) { i[1].stamp = platform::FileStamp{0, 0}; },
      [](auto& i) { i[0].path = "X:\\sdk\\b.sub"; }};
  for (const auto& change : inputChanges) {
    std::vector<InputStamp> changed = inputs;
    change(changed);
    EXPECT_NE(comparedText(options, settings, headers, libraries, changed), withInputs);
  }
  // Values are written with their lengths: moving text between two of them
  // is a change too.
  BuildOptions split = options;
  split.defines = {"A", "B"};
  BuildOptions joined = options;
  joined.defines = {"A\ndefine 1:B"};
  EXPECT_NE(comparedText(split, settings, headers, libraries), comparedText(joined, settings, headers, libraries));
}

// Each reason to write every file, as the explain line gives it; none only
// for an intact record of the same inputs and a walk that vouches for all.
TEST(BuildRecord, OnlyAnIntactRecordOfTheSameInputsSkips) {
  const std::string present = comparedText(BuildOptions(), {"X:\\sdk", std::nullopt}, {{"H\\a.h", {1, 2}}}, {});
  ProjectScan certain, uncertain, wentBack;
  uncertain.uncertain = "C\\a.c: #include MACRO";
  wentBack.wentBack = "C\\a.c";
  const struct {
    std::optional<std::string> file;  // the record's bytes; none: no record
    const ProjectScan& scan;
    std::string unsureInput;
    std::string why;
  } cases[] = {
      {recordFileText(present, ScanCache()), certain, "", ""},
      {std::nullopt, certain, "", "the record B\\kestrel_deps_rel.txt is missing"},
      {recordFileText(present, ScanCache()).substr(1), certain, "", "the record B\\kestrel_deps_rel.txt is damaged"},
      {recordFileText(present.substr(0, present.size() - 4), ScanCache()), certain, "", "the record's inputs changed"},
      {recordFileText("", ScanCache()), certain, "", "the record's form changed"},
      {recordFileText(present + "header 1:x\n", ScanCache()), certain, "", "the header x changed"},
      {recordFileText(present, ScanCache()), uncertain, "",
       "C\\a.c: #include MACRO names no header that kestrel can follow"},
      {recordFileText(present, ScanCache()), certain, "X:\\x.lib",
       "X:\\x.lib names no file that kestrel can find for sure"},
      {recordFileText(present, ScanCache()), wentBack, "", "the time of C\\a.c went back"},
  };
  for (const auto& c : cases) {
    testsupport::MemoryDisk disk;
    if (c.file) disk.put("B\\kestrel_deps_rel.txt", *c.file);
    BuildRecord record(disk, "B", false);
    record.load();
    EXPECT_EQ(whyWriteEverything(record, present, c.scan, c.unsureInput), c.why);
  }
  EXPECT_NE(BuildRecord::pathFor("PV2BUILD", true), BuildRecord::pathFor("PV2BUILD", false));
}

TEST(BuildRecord, AStampThatWentBackIsAChange) {
  // recorded, present: only a time that went back, or a size that changed
  // while the time stayed, is what make cannot see.
  EXPECT_TRUE(stampWentBack({10, 100}, {10, 99}));
  EXPECT_TRUE(stampWentBack({10, 100}, {12, 99}));
  EXPECT_TRUE(stampWentBack({10, 100}, {11, 100}));
  EXPECT_FALSE(stampWentBack({10, 100}, {10, 100}));
  EXPECT_FALSE(stampWentBack({10, 100}, {11, 101}));
}

TEST(BuildRecord, InputsAreStampedAsWindowsFindsThem) {
  testsupport::TempDir dir;
  testsupport::writeFile(dir / "lib/a.lib", "a");
  testsupport::writeFile(dir / "lib/B.LIB", "bb");
  const std::string lib = platform::hostToWindowsPath(dir.path()) + "\\lib\\";
  const auto sizeOf = [](const InputStamp& input) { return input.stamp ? input.stamp->size : -1; };
  std::string unsure;
  // As spelt, in another letter case, missing, in no directory, and in a
  // directory as a setting spells it for the host.
  ucl::RealDisk disk;
  const std::vector<InputStamp> inputs = stampInputs(
      disk, {lib + "a.lib", lib + "b.lib", lib + "c.lib", lib + "none\\a.lib", dir.path() + "/lib\\b.lib"}, &unsure);
  std::vector<long long> sizes;
  for (const InputStamp& input : inputs) sizes.push_back(sizeOf(input));
  EXPECT_EQ(sizes, (std::vector<long long>{1, 2, -1, -1, 2}));
  EXPECT_EQ(unsure, "");
}

TEST(RecordFile, DamageAnywhereIsKnown) {
  ScanCache scans;
  scans.add("C\\a.c", {10, 20}, {{"a.h", true}, {"b.h", false}, {"MACRO", false, true}});
  scans.add("H\\a.h", {3, -4}, {});
  const std::string whole = recordFileText("compared\ntext\n", scans);
  const std::optional<RecordContents> read = parseRecordFile(whole);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->compared, "compared\ntext\n");
  const std::optional<std::vector<IncludeDirective>> includes = read->scans.find("C\\a.c", {10, 20});
  ASSERT_TRUE(includes);
  ASSERT_EQ(includes->size(), 3u);
  EXPECT_EQ((*includes)[1].name, "b.h");
  EXPECT_FALSE((*includes)[1].quoted);
  EXPECT_FALSE((*includes)[1].uncertain);
  EXPECT_TRUE((*includes)[2].uncertain);
  EXPECT_FALSE(read->scans.find("C\\a.c", {10, 21}));
  EXPECT_TRUE(read->scans.find("H\\a.h", {3, -4}));
  for (size_t at = 0; at < whole.size(); ++at) {
    std::string damaged = whole;
    damaged[at] ^= 0x01;
    EXPECT_FALSE(parseRecordFile(damaged)) << "byte " << at;
    EXPECT_FALSE(parseRecordFile(whole.substr(0, at))) << "cut at " << at;
  }
}

// Scans of a directive finder that read less (one that joined no lines)
// are not taken, though the record is otherwise whole and closed.
TEST(RecordFile, ScansOfAnEarlierFindersRulesAreNotRead) {
  const auto closed = [](const std::string& body) {  // with the record's check, FNV-1a
    unsigned long long hash = 14695981039346656037ull;
    for (const char c : body) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    char check[32];
    std::snprintf(check, sizeof check, "check %016llx\n", hash);
    return body + check;
  };
  ScanCache scans;
  scans.add("C\\a.c", {10, 20}, {});
  const std::string whole = recordFileText("x", scans);
  std::string body = whole.substr(0, whole.rfind("check "));
  ASSERT_TRUE(closed(body) == whole && parseRecordFile(whole));
  EXPECT_FALSE(parseRecordFile(closed(body.replace(body.find("scans rules=2 "), 14, "scans "))));
}

// The record is renewed unless the scans are exactly the loaded ones, and
// entries copied from it are the text that add writes.
TEST(RecordFile, CopiedScansAreTheRecordsOwnOnlyWhenWholeAndInOrder) {
  const std::vector<std::pair<std::string, platform::FileStamp>> files = {
      {"C\\a.c", {10, 20}}, {"H\\a.h", {3, 4}}, {"H\\b.h", {5, 6}}};
  const std::vector<std::vector<IncludeDirective>> includes = {{{"a.h", true}}, {}, {{"c.h", false}}};
  ScanCache first;
  for (size_t i = 0; i < files.size(); ++i) first.add(files[i].first, files[i].second, includes[i]);
  const std::string whole = recordFileText("x", first);
  const std::optional<RecordContents> read = parseRecordFile(whole);
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
  EXPECT_EQ(recordFileText("x", again), whole);
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
  EXPECT_EQ(recordFileText("x", changed), recordFileText("x", expected));
}

}  // namespace
