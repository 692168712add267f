// The #include scan and the compiler's search for the headers it names.
#include "buildtool/includescan.h"

#include <gtest/gtest.h>

#include <set>

using namespace kestrel;

namespace {

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

}  // namespace
