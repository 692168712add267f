#include "buildtool/commandline.h"

#include <gtest/gtest.h>

#include <climits>

using namespace kestrel;

namespace {

BuildOptions parse(const std::vector<std::string>& arguments) { return parseCommandLine(arguments); }

TEST(CommandLine, DefaultsWithoutOptions) {
  const BuildOptions p = parse({"demo"});
  EXPECT_EQ(p.projectFile, "demo");
  EXPECT_EQ(p.programName, "");
  EXPECT_EQ(p.version, 100);
  EXPECT_EQ(p.targetSegment, 80000);
  EXPECT_EQ(p.memoryModel, 'S');
  EXPECT_FALSE(p.createLibrary || p.debugBuild || p.asmOptimisation);
  EXPECT_TRUE(p.defines.empty());
  EXPECT_TRUE(p.createMakefile);
  EXPECT_EQ(p.pvModel, 2);
  EXPECT_FALSE(p.usageRequested);
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
    const BuildOptions p = parse(c.arguments);
    SCOPED_TRACE(c.arguments.back());
    EXPECT_EQ(p.debugBuild, c.debug);
    EXPECT_EQ(p.createLibrary, c.library);
    EXPECT_EQ(p.createMakefile, c.makefile);
    EXPECT_EQ(p.asmOptimisation, c.asmOpt);
  }
}

TEST(CommandLine, MFollowedByAWordTakesTheWordAsProject) {
  const BuildOptions p = parse({"-m", "false"});
  EXPECT_TRUE(p.createMakefile);
  EXPECT_EQ(p.projectFile, "false");
}

TEST(CommandLine, ValuesOfZPVTN) {
  // Either model's letter in either case; anything else is the small model.
  const std::pair<const char*, char> models[] = {{"-zS", 'S'}, {"-zs", 'S'}, {"-zp", 'P'}, {"-zPx", 'P'},
                                                 {"-zx", 'S'}, {"-z", 'S'},  {"-zq", 'S'}};
  for (const auto& [argument, model] : models) EXPECT_EQ(parse({argument}).memoryModel, model) << argument;
  EXPECT_EQ(parse({"-p3"}).pvModel, 3);
  EXPECT_EQ(parse({"-px"}).pvModel, 0);
  EXPECT_EQ(parse({"-p"}).pvModel, 0);
  EXPECT_EQ(parse({"-v-5"}).version, -5);
  EXPECT_EQ(parse({"-v12abc"}).version, 12);
  EXPECT_EQ(parse({"-t4000"}).targetSegment, 4000);
  EXPECT_EQ(parse({"-nMy Prog%s"}).programName, "My Prog%s");
  EXPECT_EQ(parse({"-nfirst", "-n"}).programName, "");
  EXPECT_EQ(parse({"-v1", "-v2"}).version, 2);
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
    EXPECT_EQ(parse(c.arguments).defines, c.defines) << c.arguments.front();
  }
}

TEST(CommandLine, ProjectArguments) {
  EXPECT_EQ(parse({"first", "second"}).projectFile, "first");
  EXPECT_EQ(parse({"-", "x"}).projectFile, "-");
  EXPECT_EQ(parse({"/", "x"}).projectFile, "/");
  EXPECT_EQ(parse({"-d", "C:\\work\\demo.pvmak", "-l"}).projectFile, "C:\\work\\demo.pvmak");
}

TEST(CommandLine, UnknownOptionsAreCollectedAsTyped) {
  const BuildOptions p = parse({"-x", "proj", "-M", "/P3", "-d"});
  EXPECT_EQ(p.unknownOptions, (std::vector<std::string>{"-x", "-M", "/P3"}));
  EXPECT_EQ(p.projectFile, "proj");
  EXPECT_TRUE(p.debugBuild);
  EXPECT_EQ(p.pvModel, 2);
}

TEST(CommandLine, UsageStopsReadingArguments) {
  const BuildOptions p = parse({"-x", "/?", "-y", "proj", "-p9"});
  EXPECT_TRUE(p.usageRequested);
  EXPECT_EQ(p.unknownOptions, std::vector<std::string>{"-x"});
  EXPECT_EQ(p.projectFile, "");
  EXPECT_EQ(p.pvModel, 2);
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
