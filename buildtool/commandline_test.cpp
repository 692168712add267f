#include "buildtool/commandline.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

struct Parsed {
  BuildInfo info;
  DriverOptions options;
};

Parsed parse(const std::vector<std::string>& arguments) {
  Parsed parsed;
  parsed.options = parseCommandLine(arguments, parsed.info);
  return parsed;
}

TEST(CommandLine, DefaultsWithoutOptions) {
  const Parsed p = parse({"demo"});
  EXPECT_EQ(p.info.projectFile, "demo");
  EXPECT_EQ(p.info.programName, "");
  EXPECT_EQ(p.info.version, 100);
  EXPECT_EQ(p.info.targetSegment, 80000);
  EXPECT_EQ(p.info.memoryModel, 'S');
  EXPECT_FALSE(p.info.createLibrary || p.info.debugBuild || p.info.asmOptimisation);
  EXPECT_TRUE(p.info.defines.empty());
  EXPECT_TRUE(p.options.createMakefile);
  EXPECT_EQ(p.options.pvModel, 2);
  EXPECT_FALSE(p.options.usageRequested);
}

TEST(CommandLine, FlagsOnAndOff) {
  struct Case {
    std::vector<std::string> arguments;
    bool debug, library, makefile, asmOpt;
  } const cases[] = {
      {{"-d"}, true, false, true, false},
      {{"/d"}, true, false, true, false},
      {{"-dx"}, true, false, true, false},
      {{"-d", "-d-"}, false, false, true, false},
      {{"-l", "-a"}, false, true, true, true},
      {{"-m-"}, false, false, false, false},
      {{"-m-", "-m0"}, false, false, true, false},
      {{"-a--"}, false, false, true, false},
  };
  for (const Case& c : cases) {
    const Parsed p = parse(c.arguments);
    SCOPED_TRACE(c.arguments.back());
    EXPECT_EQ(p.info.debugBuild, c.debug);
    EXPECT_EQ(p.info.createLibrary, c.library);
    EXPECT_EQ(p.options.createMakefile, c.makefile);
    EXPECT_EQ(p.info.asmOptimisation, c.asmOpt);
  }
}

TEST(CommandLine, MFollowedByAWordTakesTheWordAsProject) {
  const Parsed p = parse({"-m", "false"});
  EXPECT_TRUE(p.options.createMakefile);
  EXPECT_EQ(p.info.projectFile, "false");
}

TEST(CommandLine, ValuesOfZPVTN) {
  EXPECT_EQ(parse({"-zp"}).info.memoryModel, 'p');  // normalised later by the back end
  EXPECT_EQ(parse({"-z"}).info.memoryModel, '\0');
  EXPECT_EQ(parse({"-zq"}).info.memoryModel, 'q');
  EXPECT_EQ(parse({"-p3"}).options.pvModel, 3);
  EXPECT_EQ(parse({"-px"}).options.pvModel, 0);
  EXPECT_EQ(parse({"-p"}).options.pvModel, 0);
  EXPECT_EQ(parse({"-v-5"}).info.version, -5);
  EXPECT_EQ(parse({"-v12abc"}).info.version, 12);
  EXPECT_EQ(parse({"-t4000"}).info.targetSegment, 4000);
  EXPECT_EQ(parse({"-nMy Prog%s"}).info.programName, "My Prog%s");
  EXPECT_EQ(parse({"-nfirst", "-n"}).info.programName, "");
  EXPECT_EQ(parse({"-v1", "-v2"}).info.version, 2);
}

TEST(CommandLine, DefinitionsAccumulate) {
  struct Case {
    std::vector<std::string> arguments;
    std::vector<std::string> defines;
  } const cases[] = {
      {{"-DDEF1=val1;DEF2=val2"}, {"DEF1=val1", "DEF2=val2"}},
      {{"-DA;;B"}, {"A", "", "B"}},
      {{"-DA;"}, {"A"}},
      {{"-D"}, {}},
      {{"-D;"}, {""}},
      {{"-DX", "-DY"}, {"X", "Y"}},
      {{"-D100%"}, {"100%"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(parse(c.arguments).info.defines, c.defines) << c.arguments.front();
  }
}

TEST(CommandLine, ProjectArguments) {
  EXPECT_EQ(parse({"first", "second"}).info.projectFile, "first");
  EXPECT_EQ(parse({"-", "x"}).info.projectFile, "-");
  EXPECT_EQ(parse({"/", "x"}).info.projectFile, "/");
  EXPECT_EQ(parse({"-d", "C:\\work\\demo.pvmak", "-l"}).info.projectFile, "C:\\work\\demo.pvmak");
}

TEST(CommandLine, UnknownOptionsAreCollectedAsTyped) {
  const Parsed p = parse({"-x", "proj", "-M", "/P3", "-d"});
  EXPECT_EQ(p.options.unknownOptions, (std::vector<std::string>{"-x", "-M", "/P3"}));
  EXPECT_EQ(p.info.projectFile, "proj");
  EXPECT_TRUE(p.info.debugBuild);
  EXPECT_EQ(p.options.pvModel, 2);
}

TEST(CommandLine, UsageStopsReadingArguments) {
  const Parsed p = parse({"-x", "/?", "-y", "proj", "-p9"});
  EXPECT_TRUE(p.options.usageRequested);
  EXPECT_EQ(p.options.unknownOptions, std::vector<std::string>{"-x"});
  EXPECT_EQ(p.info.projectFile, "");
  EXPECT_EQ(p.options.pvModel, 2);
}

TEST(ParseNumber, ReadsLikeAtoiWithoutOverflow) {
  struct Case {
    const char* text;
    int value;
  } const cases[] = {
      {"", 0},           {"abc", 0},       {"42", 42},       {"  \t7", 7},
      {"+8", 8},         {"-5", -5},       {"12abc", 12},    {"- 5", 0},
      {"--5", 0},        {"007", 7},       {"2147483647", INT_MAX},
      {"-2147483648", INT_MIN},            {"2147483648", INT_MAX},
      {"-2147483649", INT_MIN},            {"99999999999999999999999999", INT_MAX},
      {"-99999999999999999999999999", INT_MIN},
  };
  for (const Case& c : cases) EXPECT_EQ(parseNumber(c.text), c.value) << '"' << c.text << '"';
}

}  // namespace
