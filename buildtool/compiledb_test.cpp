// The compilation database's text, from what each back end says its
// compiler is given.
#include "buildtool/compiledb.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "buildtool/pv2backend.h"
#include "buildtool/pv3backend.h"
#include "common/textencoding.h"
#include "platform/pathspelling.h"
#include "testing/testsupport.h"

using namespace kestrel;

namespace {

const std::vector<std::string> kProjectFiles = {"c\\main.c", "H\\app.h", "c\\util.C", "asm\\fast.a86",
                                                "src\\main.cpp", "lib\\extra.lib", "c\\last.c"};

std::string host(const std::string& path) { return platform::windowsToHostPath(path); }

TEST(CompilerInputs, Pv2TakesEveryCSourceInTheMakefilesOrderWithItsFlags) {
  BuildOptions options;
  options.defines = {"A", "B=2"};
  const CompilerInputs inputs = pv2CompilerInputs(options, {"X:\\PVSDK", "X:\\LSIC86"}, kProjectFiles);
  EXPECT_EQ(inputs.compiler, "lcc86");
  // APLOBJS lists the sources last first; the make tool's file system
  // matches the extension in any letter case.
  EXPECT_EQ(inputs.sources, (std::vector<std::string>{"c\\last.c", "c\\util.C", "c\\main.c"}));
  EXPECT_EQ(inputs.includeDirectories,
            (std::vector<std::string>{"H", "X:\\PVSDK\\C\\Com_H", "X:\\PVSDK\\C\\Com_Lib\\h"}));
  // As CFLAG in MakeSDK.1 passes them: "-DPV=1 ... -DB=2 -DA".
  EXPECT_EQ(inputs.definitions, (std::vector<std::string>{"PV=1", "B=2", "A"}));
}

TEST(CompilerInputs, Pv3TakesTheSourcesWrittenDotCWithTheRunsDefinitions) {
  BuildOptions options;
  options.defines = {"A", "B=2"};
  const CompilerInputs inputs = pv3CompilerInputs(options, {"X:\\PVSDK3", "X:\\SHC"}, kProjectFiles);
  EXPECT_EQ(inputs.compiler, "shc");
  EXPECT_EQ(inputs.sources, (std::vector<std::string>{"c\\last.c", "c\\main.c"}));
  EXPECT_EQ(inputs.includeDirectories, (std::vector<std::string>{"h", "X:\\PVSDK3\\lib\\LibH",
                                                                 "X:\\PVSDK3\\lib\\hilib", "X:\\SHC\\include"}));
  EXPECT_EQ(inputs.definitions, (std::vector<std::string>{"B=2", "A"}));
}

TEST(CompileCommands, OneEntryPerSourceWithWholePathsForTheHost) {
  const CompilerInputs inputs{
      "lcc86", {"C\\hello.c", "C\\greeting.c"}, {"H", "X:\\SDK\\C\\Com_H"}, {"PV=1", "N=\"x\""}};
  // A path of the host as a JSON string's content.
  const auto json = [](const std::string& windowsPath) {
    std::string escaped;
    for (const char c : host(windowsPath)) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return escaped;
  };
  std::string expected = "[\n";
  for (const char* source : {"C\\hello.c", "C\\greeting.c"}) {
    const std::string file = json(std::string("X:\\proj\\") + source);
    expected += std::string(expected.size() > 2 ? ",\n" : "") + "  {\n    \"directory\": \"" + json("X:\\proj") +
                "\",\n    \"file\": \"" + file + "\",\n    \"arguments\": [\"lcc86\", \"-I" + json("X:\\proj\\H") +
                "\", \"-I" + json("X:\\SDK\\C\\Com_H") + "\", \"-DPV=1\", \"-DN=\\\"x\\\"\", \"" + file + "\"]\n  }";
  }
  EXPECT_EQ(compileCommandsText("X:\\proj", inputs), expected + "\n]\n");
  EXPECT_EQ(compileCommandsText("X:\\proj", {"shc", {}, {}, {}}), "[\n]\n");
}

TEST(CompileCommands, EscapesAndUtf8AsJsonWantsThem) {
  // A backslash in a value, a control character, a name beyond ASCII kept
  // as UTF-8, and a byte that is not UTF-8.
  const std::string text = compileCommandsText("/p", {"shc", {"/p/\xE8\xA1\xA8\x01.c"}, {}, {"A=\\n", "B=\xFF"}});
  EXPECT_NE(text.find("\"-DA=\\\\n\""), std::string::npos) << text;
  EXPECT_NE(text.find("\xE8\xA1\xA8\\u0001.c\""), std::string::npos) << text;
  EXPECT_NE(text.find("\"-DB=\xEF\xBF\xBD\""), std::string::npos) << text;
  // A relative source escaped apart from its directory comes out as the
  // whole path escaped at once, in an ASCII directory and another.
  for (const std::string directory : {"/d\"q", "/\xE8\xA1\xA8"}) {
    const std::string entries = compileCommandsText(directory, {"shc", {"s\\\xFF\x01\".c"}, {}, {}});
    const std::string file = ucl::jsonString(host(directory + "\\s\\\xFF\x01\".c"));
    EXPECT_NE(entries.find("\"file\": " + file + ","), std::string::npos) << entries;
  }
}

TEST(CompileCommands, EmptyDefinitionsAreLeftOut) {
  // "-D;X" splits into "" and "X": a bare "-D" would take the source as the macro.
  const std::string text = compileCommandsText("/p", {"shc", {"/p/a.c"}, {}, {"", "X", ""}});
  EXPECT_NE(text.find("[\"shc\", \"-DX\", "), std::string::npos) << text;
  EXPECT_EQ(text.find("\"-D\""), std::string::npos) << text;
}

TEST(CompileCommands, ComparedWithTheDiskPieceByPieceAndWrittenWhole) {
  namespace fs = std::filesystem;
  testsupport::TempDir dir;
  testsupport::ScopedCurrentDirectory inDir(dir.path());
  // Enough entries for several pieces, so that the pieces the text is made
  // in and those the file is read in do not fall together.
  CompilerInputs inputs{"lcc86", {}, {"H"}, {"PV=1"}};
  for (int i = 0; i < 2000; ++i) inputs.sources.push_back("C\\file" + std::to_string(i) + ".c");
  const CompileCommands commands("/p", inputs, "\r\n");
  std::string bytes;
  ContentDigest cut;
  commands.produce([&](std::string_view piece) {
    bytes.append(piece.data(), piece.size());
    for (size_t at = 0; at < piece.size(); at += 7) cut.add(piece.substr(at, 7));
    return true;
  });
  ASSERT_GT(bytes.size(), 200000u);
  ContentDigest whole;
  whole.add(bytes);
  EXPECT_EQ(cut.hex(), whole.hex());

  using State = DatabaseOnDisk::State;
  ucl::RealDisk disk;
  std::string lastByte = bytes, firstByte = bytes;
  lastByte.back() = ' ';
  firstByte.front() = ' ';
  const struct {
    const char* name;
    const char* old;  // nullptr: no file
    std::string oldBytes;
    State state;
  } cases[] = {
      {"same", "", bytes, State::same},
      {"last byte", "", lastByte, State::differs},
      {"first byte", "", firstByte, State::differs},
      {"shorter", "", bytes.substr(0, bytes.size() - 1), State::differs},
      {"longer", "", bytes + "x", State::differs},
      {"no file", nullptr, "", State::absent},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(dir / "db.json");
    if (c.old != nullptr) {
      testsupport::writeFile(dir / "db.json", c.oldBytes);
      fs::last_write_time(dir / "db.json", fs::last_write_time(dir / "db.json") - std::chrono::hours(1));
    }
    const auto stamp = c.old != nullptr ? fs::last_write_time(dir / "db.json") : fs::file_time_type();
    const DatabaseOnDisk onDisk = compareWithFile(disk, "db.json", commands);
    EXPECT_EQ(onDisk.state, c.state);
    EXPECT_EQ(onDisk.newDigest, whole.hex());
    if (c.state == State::differs) {
      ContentDigest old;
      old.add(c.oldBytes);
      EXPECT_EQ(onDisk.oldDigest, old.hex());
      EXPECT_NE(onDisk.oldDigest, onDisk.newDigest);
    }
    if (c.state == State::same) {
      EXPECT_EQ(fs::last_write_time(dir / "db.json"), stamp);
      continue;
    }
    ASSERT_TRUE(writeCompileCommands(disk, "db.json", commands));
    EXPECT_EQ(testsupport::readFile(dir / "db.json"), bytes);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);  // nothing beside it
  }
  // A directory in its place: neither read nor replaced.
  fs::remove(dir / "db.json");
  fs::create_directory(dir / "db.json");
  EXPECT_EQ(compareWithFile(disk, "db.json", commands).state, State::absent);
  EXPECT_FALSE(writeCompileCommands(disk, "db.json", commands));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

}  // namespace
