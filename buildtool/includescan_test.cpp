// The #include scan, the compiler's search for the headers it names, and
// the walk through a project's files.
#include "buildtool/includescan.h"
#include "buildtool/buildrecord.h"

#include <gtest/gtest.h>

#include <set>

#include "testing/testsupport.h"

using namespace kestrel;

namespace {

using testsupport::writeFile;

std::vector<std::string> names(const std::string& text) {
  std::vector<std::string> found;
  for (const IncludeDirective& include : scanIncludes(text)) {
    found.push_back((include.uncertain ? "?" : include.quoted ? "\"" : "<") + include.name);
  }
  return found;
}

TEST(ScanIncludes, BothFormsWhereverTheyStandAndWhenInDoubtCounted) {
  EXPECT_EQ(names("#include \"a.h\"\r\n  #  include\t<b.h>\n#include<c\\d.h>\n#include \"../e.h\" // why\n"),
            (std::vector<std::string>{"\"a.h", "<b.h", "<c\\d.h", "\"../e.h"}));
  // Conditions are not evaluated and comments do not hide a line.
  EXPECT_EQ(names("#if 0\n#include \"off.h\"\n#endif\n/*\n#include \"commented.h\"\n*/\n"),
            (std::vector<std::string>{"\"off.h", "\"commented.h"}));
  // A comment before the directive, or between "#" and "include", or one
  // that began on an earlier line and ends before it.
  EXPECT_EQ(names("/* x */ #include \"f.h\"\n#/**/include <g.h>\n"), (std::vector<std::string>{"\"f.h", "<g.h"}));
  EXPECT_EQ(names("/* a comment\n   over two lines */ #include \"hidden.h\"\n x */ y */ # include <h.h>\n"),
            (std::vector<std::string>{"\"hidden.h", "<h.h"}));
  // A name from a macro cannot be followed: uncertain, as written.
  EXPECT_EQ(names("#include HEADER \r\n/* */ #  include PATH(x) \n"),
            (std::vector<std::string>{"?HEADER", "?PATH(x)"}));
  // Not includes: no closing quote on the line, an empty name, text
  // before the "#", other directives, a "*/" with no directive after it.
  EXPECT_EQ(names("#include \"open\n\"x.h\"\n#include <>\nx #include \"no.h\"\n#includes \"no.h\"\n"
                  "#define include \"no.h\"\n*/ x #include \"no.h\"\n#include\n"),
            std::vector<std::string>());
  EXPECT_EQ(names("#include \"last.h\""), std::vector<std::string>{"\"last.h"});
}

// The text as the compiler's first translation steps leave it; where they
// joined lines or replaced a trigraph, the lines as they stand count too.
TEST(ScanIncludes, WhatTheCompilersFirstStepsLeave) {
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"#\\\ninclude \"a.h\"\n", {"\"a.h"}},
      {"#inc\\\nlude \"a.h\"\n", {"\"a.h"}},
      {"#include \"a\\\n.h\"\n", {"\"a.h"}},
      {"#inc\\\r\nlude <a.h>\r\n#inc\\\rlude <b.h>\r", {"<a.h", "<b.h"}},
      {"?\?=include \"a.h\"\n?\?=inc?\?/\nlude <b.h>\n", {"\"a.h", "<b.h"}},
      {"%:include \"a.h\"\n  %: include <b.h>\n/* x\n */ %:include <c.h>\n", {"\"a.h", "<b.h", "<c.h"}},
      {"#include \"a?\?/b?\?'.h\"\n", {"\"a\\b^.h", "\"a?\?/b?\?'.h"}},
      // libyaml's run-scanner.c saved with a byte order mark, zlib's
      // sources with CR-only lines.
      {"\xEF\xBB\xBF#include <yaml.h>\n", {"<yaml.h"}},
      {"#include \"zutil.h\"\r#include <stdio.h>\r\r#  include \"inf.h\"", {"\"zutil.h", "<stdio.h", "\"inf.h"}},
      // Joined into the line before, which a compiler that reads the second
      // byte of a double-byte character as "\\" might not do.
      {"int x; \\\n#include \"a.h\"\n", {"\"a.h"}},
      {"/* \\\n */ #include \"a.h\"\n", {"\"a.h"}},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(names(text), expected) << text;
}

// The definitions of a macro an #include takes its name from, and what the
// scan may conclude from them.
TEST(DecideMacroInclude, SureOnlyOfHeaderNamesAndOfNothing) {
  struct Case {
    const char* what;
    const char* files;                                  // the #defines of the reached files
    std::vector<std::string> options;                   // the compiler's definitions
    std::vector<std::optional<std::string>> optionFiles;
    bool sure;
    std::vector<std::string> headers;
  };
  const Case cases[] = {
      {"undefined (Lua's LUA_USER_H)", "#define OTHER 1\n#define NAME_X <x.h>\n", {"PV=1"}, {"-cpu=sh3\n"}, true, {}},
      {"one header name", "#  define NAME \"x.h\" /* user */\n", {}, {}, true, {"\"x.h"}},
      {"two definitions", "#define NAME \"x.h\"\n#define NAME <y.h> // other\n", {}, {}, true, {"\"x.h", "<y.h"}},
      {"defined by -D", "", {"NAMED", "NAME=\"z.h\""}, {}, true, {"\"z.h"}},
      {"-D without a value", "", {"NAME"}, {}, false, {}},
      {"takes arguments", "#define NAME(x) \"x.h\"\n", {}, {}, false, {}},
      {"expands to another macro", "#define NAME \"x.h\"\n#define NAME OTHER\n", {}, {}, false, {}},
      {"something after the name", "#define NAME \"x.h\" + 1\n", {}, {}, false, {}},
      {"named by the options file", "", {}, {"-define=NAME=\"q.h\"\n"}, false, {}},
      {"options file unreadable", "", {}, {std::nullopt}, false, {}},
  };
  for (const Case& c : cases) {
    const MacroInclude decision =
        decideMacroInclude("NAME", scanDefinitions(c.files, {"NAME"}), c.options, c.optionFiles);
    std::vector<std::string> headers;
    for (const IncludeDirective& h : decision.headers) headers.push_back((h.quoted ? "\"" : "<") + h.name);
    EXPECT_EQ(decision.sure, c.sure) << c.what;
    EXPECT_EQ(headers, c.headers) << c.what;
  }
  EXPECT_FALSE(decideMacroInclude("PATH(x)", {}, {}, {}).sure);
}

TEST(NormalisedPath, OneSpellingPerFile) {
  const std::pair<const char*, const char*> cases[] = {
      {"C\\..\\H\\a.h", "H\\a.h"},
      {"C/./sub//a.h", "C\\sub\\a.h"},
      {"C\\..\\..\\shared\\u.h", "..\\shared\\u.h"},
      {"..\\..\\a.h", "..\\..\\a.h"},
      {"X:\\sdk\\h\\..\\a.h", "X:\\sdk\\a.h"},
      {"\\..\\a.h", "\\a.h"},
      {"/tmp/sdk\\C\\Com_H\\x.h", "\\tmp\\sdk\\C\\Com_H\\x.h"},
      {"\\\\server\\share\\a.h", "\\\\server\\share\\a.h"},
      // Paths that are already in this form come back as they are; the
      // nearest that are not do not.
      {"c\\file.c", "c\\file.c"},
      {".x\\..y\\...\\a.h", ".x\\..y\\...\\a.h"},
      {"c\\.\\a.h", "c\\a.h"},
      {"c\\a.h\\", "c\\a.h"},
      {"c\\..", ""},
      {"X:a.h", "X:a.h"},
      {"c/a.h", "c\\a.h"},
      {"X:\\sdk\\C\\Com_H\\a.h", "X:\\sdk\\C\\Com_H\\a.h"},
      {"X:\\", "X:\\"},
      {"\\", "\\"},
      {"\\\\\\x\\a.h", "\\\\x\\a.h"},
      {"\\a\\\\b", "\\a\\b"},
      {"/:\\a.h", "\\:\\a.h"},
      {"a\\..\\..\\b\\.\\c\\..", "..\\b"},
      {"\\\\s\\x/../../y", "\\\\y"},
  };
  for (const auto& [path, expected] : cases) EXPECT_EQ(normalisedPath(path), expected) << path;
}

TEST(ResolveInclude, TheCompilersSearchOrder) {
  const HeaderSearchPath search{"H", {"H", "X:\\sdk\\Com_H", "X:\\sdk\\Com_Lib\\h"}};
  std::set<std::string> files;
  const auto exists = [&](const std::string& path) { return files.count(path) > 0; };
  const auto resolve = [&](const IncludeDirective& include, const std::string& includer) {
    return resolveInclude(include, includer, search, exists);
  };
  files = {"C\\a.h", "H\\a.h", "X:\\sdk\\Com_H\\a.h", "X:\\sdk\\Com_Lib\\h\\b.h", "H\\sub\\c.h", "..\\shared\\u.h"};
  // Quoted: the includer's directory, then H, then the include directories.
  EXPECT_EQ(resolve({"a.h", true}, "C\\"), "C\\a.h");
  EXPECT_EQ(resolve({"a.h", true}, "D\\"), "H\\a.h");
  EXPECT_EQ(resolve({"b.h", true}, "C\\"), "X:\\sdk\\Com_Lib\\h\\b.h");
  // Angle brackets: the include directories only.
  EXPECT_EQ(resolve({"a.h", false}, "C\\"), "H\\a.h");
  EXPECT_EQ(resolve({"a.h", false}, "X:\\sdk\\Com_Lib\\h\\"), "H\\a.h");
  files.erase("H\\a.h");
  EXPECT_EQ(resolve({"a.h", false}, "C\\"), "X:\\sdk\\Com_H\\a.h");
  // Either separator, and directories above the project.
  EXPECT_EQ(resolve({"sub/c.h", true}, "C\\"), "H\\sub\\c.h");
  EXPECT_EQ(resolve({"..\\..\\shared/u.h", true}, "C\\"), "..\\shared\\u.h");
  // An absolute name is taken as it is; a missing header is nothing.
  EXPECT_EQ(resolve({"X:/sdk/Com_H/a.h", false}, "C\\"), "X:\\sdk\\Com_H\\a.h");
  EXPECT_EQ(resolve({"missing.h", true}, "C\\"), "");
}

// Past a header there only in another letter case to the one there as
// spelt; past an unsure miss, which is said. Candidates: C, H, X.
TEST(IncludeCandidates, EveryFileTheCompilerMayOpen) {
  using P = Presence;
  struct Case {
    std::vector<P> found;
    std::vector<std::string> expected;
    bool unsure;
  } const cases[] = {
      {{P::asSpelt, P::asSpelt, P::asSpelt}, {"C\\a.h"}, false},
      {{P::absent, P::asSpelt, P::asSpelt}, {"H\\a.h"}, false},
      {{P::otherCase, P::otherCase, P::asSpelt}, {"C\\a.h", "X\\a.h"}, false},
      {{P::otherCase, P::otherCase, P::absent}, {"C\\a.h"}, false},
      {{P::unsure, P::absent, P::asSpelt}, {"X\\a.h"}, true},
      {{P::unsure, P::absent, P::absent}, {}, true},
  };
  for (const Case& c : cases) {
    const auto lookup = [&](const std::string& path) { return c.found[path[0] == 'C' ? 0 : path[0] == 'H' ? 1 : 2]; };
    bool unsure = false;
    EXPECT_EQ(includeCandidates({"a.h", true}, "C\\", {"H", {"X"}}, lookup, &unsure), c.expected);
    EXPECT_EQ(unsure, c.unsure);
  }
}

class ProjectHeaders : public ::testing::Test {
 protected:
  // No scans of an earlier run.
  ScanCache& fresh() { return fresh_ = ScanCache(); }

  ucl::RealDisk disk_;
  ScanCache fresh_;
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
  std::string err;
  ProjectScan scan;
  ASSERT_TRUE(projectHeaders(disk_, files, search, fresh(), &scan, &err)) << err;
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
  const std::string record = recordFileText("x", previous);
  std::optional<RecordContents> recorded = parseRecordFile(record);
  ASSERT_TRUE(recorded);
  std::vector<std::string> again;
  ProjectScan second;
  ASSERT_TRUE(projectHeaders(disk_, files, search, recorded->scans, &second, &err)) << err;
  for (const HeaderStamp& header : second.headers) {
    again.push_back(header.path);
  }
  EXPECT_EQ(again, (std::vector<std::string>{"H\\app.h", "H\\inner.h", "H\\listed.h", "sdk\\Com_H\\sdk.h",
                                             "shared\\util.h"}));
}

// What the walk tells the decision: an include it cannot follow, a file
// that went back against the previous scans (kept in the record, with the
// uncertain include, so that the next run says it again), a path too long.
TEST_F(ProjectHeaders, WhatTheWalkCannotVouchFor) {
  writeFile(dir_ / "C/main.c", "#include \"a.h\"\n");
  writeFile(dir_ / "C/macro.c", "#define HEADER PICK(a)\n#include HEADER\n");
  writeFile(dir_ / "H/a.h", "");
  const HeaderSearchPath search{"H", {}};
  std::string err;
  ProjectScan first;
  ASSERT_TRUE(projectHeaders(disk_, {"C\\main.c", "C\\macro.c"}, search, fresh(), &first, &err)) << err;
  EXPECT_EQ(first.uncertain, "C\\macro.c: #include HEADER");
  EXPECT_EQ(first.wentBack, "");
  const std::string record = recordFileText("x", fresh_);
  std::optional<RecordContents> recorded = parseRecordFile(record);
  ASSERT_TRUE(recorded);
  ProjectScan again;
  ASSERT_TRUE(projectHeaders(disk_, {"C\\macro.c"}, search, recorded->scans, &again, &err)) << err;
  EXPECT_EQ(again.uncertain, "C\\macro.c: #include HEADER");

  const platform::FileStamp main = *platform::fileStamp("C\\main.c");
  ScanCache newer;
  newer.add("C\\main.c", {main.size, main.modified + 1}, {});
  const std::string newerRecord = recordFileText("x", newer);
  std::optional<RecordContents> fromNewer = parseRecordFile(newerRecord);
  ASSERT_TRUE(projectHeaders(disk_, {"C\\main.c"}, search, fromNewer->scans, &again, &err)) << err;
  EXPECT_EQ(again.wentBack, "C\\main.c");
  ScanCache older;
  older.add("C\\main.c", {main.size + 1, main.modified - 1}, {});
  const std::string olderRecord = recordFileText("x", older);
  std::optional<RecordContents> fromOlder = parseRecordFile(olderRecord);
  ASSERT_TRUE(projectHeaders(disk_, {"C\\main.c"}, search, fromOlder->scans, &again, &err)) << err;
  EXPECT_EQ(again.wentBack, "");

  std::string deep;
  for (int i = 0; i < 5000; ++i) deep += "a/";
  writeFile(dir_ / "C/deep.c", "#include \"" + deep + "x.h\"\n");
  EXPECT_FALSE(projectHeaders(disk_, {"C\\deep.c"}, search, fresh(), &again, &err));
  EXPECT_EQ(err, "Error: An #include in C\\deep.c names a path of 10003 bytes, longer than this system takes");
}

// Lua's lua.h: #include LUA_USER_H under #if defined(LUA_USER_H), which
// nothing defines; a macro defined as a header name in a file that only
// such an include reaches.
TEST_F(ProjectHeaders, MacroIncludesThatAreSure) {
  writeFile(dir_ / "C/main.c", "#include \"lua.h\"\n#include CONF\n");
  writeFile(dir_ / "H/lua.h", "#if defined(LUA_USER_H)\n#include LUA_USER_H\n#endif\n#define CONF \"conf.h\"\n");
  writeFile(dir_ / "H/conf.h", "#define NEXT <next.h>\n#include NEXT\n");
  writeFile(dir_ / "H/next.h", "");
  HeaderSearchPath search{"H", {"H"}};
  std::string err;
  ProjectScan first;
  ASSERT_TRUE(projectHeaders(disk_, {"C\\main.c"}, search, fresh(), &first, &err)) << err;
  const std::string record = recordFileText("x", fresh_);
  std::optional<RecordContents> recorded = parseRecordFile(record);
  ASSERT_TRUE(recorded);
  ProjectScan again;
  ASSERT_TRUE(projectHeaders(disk_, {"C\\main.c"}, search, recorded->scans, &again, &err)) << err;
  for (const ProjectScan* scan : {&first, &again}) {
    std::vector<std::string> paths;
    for (const HeaderStamp& header : scan->headers) paths.push_back(header.path);
    EXPECT_EQ(paths, (std::vector<std::string>{"H\\conf.h", "H\\lua.h", "H\\next.h"}));
    EXPECT_EQ(scan->uncertain, "");
  }
  search.optionFiles = {"tools\\Makefile.sub"};  // not there: it may define any of them
  ASSERT_TRUE(projectHeaders(disk_, {"C\\main.c"}, search, fresh(), &again, &err)) << err;
  EXPECT_EQ(again.uncertain, "C\\main.c: #include CONF");
}

TEST_F(ProjectHeaders, LetterCaseIsIgnoredAsWindowsIgnoresIt) {
  writeFile(dir_ / "C/main.c", "#include <App.H>\n");
  writeFile(dir_ / "H/app.h", "");
  // The makefiles name the project's directory "h".
  std::string err;
  ProjectScan scan;
  ASSERT_TRUE(projectHeaders(disk_, {"c\\MAIN.C"}, {"H", {"h"}}, fresh(), &scan, &err)) << err;
  ASSERT_EQ(scan.headers.size(), 1u);
  EXPECT_EQ(scan.headers[0].path, "h\\App.H");
}

// One file reached in several ways is one entry of the scan cache and of the
// record's headers, and the record written reads back and is kept.
TEST_F(ProjectHeaders, AFileReachedTwiceIsRecordedOnce) {
  writeFile(dir_ / "C/main.c", "#include \"tables.c\"\n#include \"a.h\"\n#include \"A.h\"\n");
  writeFile(dir_ / "C/tables.c", "#include \"a.h\"\n");
  writeFile(dir_ / "H/a.h", "");
  const std::vector<std::string> shapes[] = {
      {"C\\main.c", "C\\tables.c"},                       // listed and included
      {"C\\tables.c", "C\\main.c"},                       // included, then listed
      {"C\\main.c", "H\\a.h", "C\\main.c", "H\\a.h"},     // in two groups
      {"C/main.c", "C\\main.c", "H/a.h", "H\\a.h"},       // both separators
      {"C\\main.c", "C\\MAIN.c", "h\\A.h", "H\\a.h"},     // two letter cases
  };
  for (const std::vector<std::string>& files : shapes) {
    SCOPED_TRACE(files[1]);
    std::string err;
    ProjectScan scan;
    ASSERT_TRUE(projectHeaders(disk_, files, {"H", {}}, fresh(), &scan, &err)) << err;
    EXPECT_EQ(fresh_.count(), 3u);
    std::vector<std::string> headers;
    for (const HeaderStamp& header : scan.headers) headers.push_back(platform::foldedLetterCase(header.path));
    EXPECT_EQ(headers, (std::vector<std::string>{"c\\tables.c", "h\\a.h"}));
    const std::string record = recordFileText("x", fresh_);
    std::optional<RecordContents> read = parseRecordFile(record);
    ASSERT_TRUE(read);
    ProjectScan again;
    ASSERT_TRUE(projectHeaders(disk_, files, {"H", {}}, read->scans, &again, &err)) << err;
    EXPECT_TRUE(read->scans.unchanged());
  }
}

// A letter beyond the old fold table (Ґ with ґ.h), one beyond
// the fold (Ա with ա.h), and two spellings in two directories, which only
// a file system that keeps letter case holds apart: whatever the compiler
// may open counts, and where nobody can tell, the run is uncertain.
TEST_F(ProjectHeaders, LettersOnlyTheSystemCanMatch) {
  const bool folds = platform::lookupsFoldLetterCase();
  writeFile(dir_ / "C/config.h", "");
  writeFile(dir_ / "H/Config.h", "");
  for (const char* header : {"H\\\xD2\x91.h", "H\\\xD5\xA1.h"}) {
    ASSERT_TRUE(platform::writeFileSafely(header, ""));  // the name in UTF-8 on both systems
  }
  using Paths = std::vector<std::string>;
  struct Case {
    const char* name;
    Paths headers;
    bool uncertain;
  } const cases[] = {
      {"\xD2\x90.h", {"H\\\xD2\x90.h"}, false},
      {"\xD4\xB1.h", folds ? Paths{"H\\\xD4\xB1.h"} : Paths{}, !folds},
      {"Config.h", folds ? Paths{"C\\Config.h"} : Paths{"C\\Config.h", "H\\Config.h"}, false},
  };
  for (const Case& c : cases) {
    writeFile(dir_ / "C/main.c", std::string("#include \"") + c.name + "\"\n");
    std::string err;
    ProjectScan scan;
    ASSERT_TRUE(projectHeaders(disk_, {"C\\main.c"}, {"H", {}}, fresh(), &scan, &err)) << err;
    Paths headers;
    for (const HeaderStamp& header : scan.headers) headers.push_back(header.path);
    EXPECT_EQ(headers, c.headers) << c.name;
    EXPECT_EQ(scan.uncertain, c.uncertain ? std::string("C\\main.c: #include \"") + c.name + "\"" : "") << c.name;
  }
}

}  // namespace
