// "Exit SIM" clicked as a person clicks it: plover.exe run under Wine on the
// tests' display, and an X mouse click on the button (xdotool: move, pause,
// click). Ten runs; in the last five another program is open, and the user
// clicked into it before the run and again before "Exit SIM": it must get
// no key, and every run must close the simulator.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>
#include <thread>

#include "testing/idetree.h"
#include "testing/processrun.h"

namespace {

namespace fs = std::filesystem;
using plovertest::IdeTree;
using testsupport::programPath;
using testsupport::Spelling;
using testsupport::readFile;
using Lines = std::vector<std::string>;

Lines linesOf(const std::string& text) {
  Lines lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

void sleepFor(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

// A program started in the background, its output to a file; ended by its
// process id when the test is done with it.
class Started {
 public:
  Started(const std::vector<std::string>& argv, const std::string& directory, const std::string& output) {
    pid_ = fork();
    if (pid_ == 0) {
      const int fd = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (fd < 0 || chdir(directory.c_str()) != 0) _exit(126);
      dup2(fd, 1);
      dup2(fd, 2);
      std::vector<char*> args;
      for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
      args.push_back(nullptr);
      execvp(args[0], args.data());
      _exit(127);
    }
  }
  ~Started() { end(); }
  Started(const Started&) = delete;
  Started& operator=(const Started&) = delete;

  // The exit code, once it ended within the seconds given; -1 otherwise.
  int waitUpTo(int seconds) {
    for (int i = 0; i < seconds * 20 && running(); ++i) sleepFor(50);
    return running() ? -1 : exitCode_;
  }
  bool running() {
    if (pid_ <= 0) return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) != pid_) return true;
    exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    pid_ = 0;
    return false;
  }
  void end() {
    if (!running()) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = 0;
  }

 private:
  pid_t pid_ = 0;
  int exitCode_ = -1;
};

struct Geometry {
  int x = 0, y = 0, width = 0, height = 0;
};

std::string xdotool(const std::vector<std::string>& arguments) {
  std::vector<std::string> argv = {"xdotool"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return testsupport::runProgram(argv, "/").out;
}

// The first X window whose title matches the pattern; empty for none.
std::string xWindow(const std::string& titlePattern, bool onlyShown) {
  std::istringstream found(onlyShown ? xdotool({"search", "--onlyvisible", "--name", titlePattern})
                                     : xdotool({"search", "--name", titlePattern}));
  std::string window;
  found >> window;
  return window;
}

// The shown X window of that exact title, as the X server places it.
std::optional<Geometry> shownWindow(const std::string& title) {
  const std::string window = xWindow("^" + title + "$", true);
  if (window.empty()) return std::nullopt;
  std::map<std::string, int> values;
  for (const std::string& line : linesOf(xdotool({"getwindowgeometry", "--shell", window}))) {
    const size_t equals = line.find('=');
    if (equals != std::string::npos) values[line.substr(0, equals)] = std::atoi(line.c_str() + equals + 1);
  }
  if (values.count("WIDTH") == 0) return std::nullopt;
  return Geometry{values["X"], values["Y"], values["WIDTH"], values["HEIGHT"]};
}

std::optional<Geometry> waitForWindow(const std::string& title, int seconds) {
  for (int i = 0; i < seconds * 10; ++i) {
    if (const std::optional<Geometry> shown = shownWindow(title)) return shown;
    sleepFor(100);
  }
  return std::nullopt;
}

// As a person clicks: move there, a moment's pause, click.
void clickAt(int x, int y) {
  xdotool({"mousemove", std::to_string(x), std::to_string(y)});
  sleepFor(300);
  xdotool({"click", "1"});
}

class ExitSimClicks : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string missing = testsupport::windowsProgramMissing(PLOVER_WIN32_PROGRAM);
    if (!missing.empty()) GTEST_SKIP() << missing;
    if (!testsupport::onPath("xdotool")) GTEST_SKIP() << "xdotool is not installed (scripts/setup testing)";
    // The clicks go to the display that Wine's programs are on.
    std::string display = readFile(testsupport::environmentVariable("PVTOOLS_TEST_DISPLAY"));
    display.erase(display.find_last_not_of(" \r\n") + 1);
    setenv("DISPLAY", display.c_str(), 1);
    tree_.installShippedTemplates();
    fs::copy_file(PLOVER_WIN32_PROGRAM, fs::path(tree_.nativeModuleDirectory()) / "plover.exe");
    fs::create_directories(tree_.sdkDir() + "/SIM");
    fs::copy_file(std::string(PLOVER_WIN32_STANDINS) + "/Sim3022.exe", tree_.sdkDir() + "/SIM/Sim3022.exe");
    fs::create_directories(tree_.sdkDir() + "/C/demo/PV2BUILD");
    testsupport::writeFile(tree_.sdkDir() + "/C/demo/demo.cbx", "<project/>");
    tree_.writeSettings(programPath(Spelling::wine, tree_.sdkDir()));
    fs::create_directories(tree_.path("bystander"));
  }

  // One run: plover.exe run, a click on "Exit SIM" once it shows; true when
  // plover ended 0 and the simulator got the close keys and closed.
  bool runAndClick(const std::optional<Geometry>& bystander, std::string* what) {
    // A simulator's window outlives its "closed" for a moment (also one of
    // an earlier test); the run would find it and rightly refuse to type
    // into a window whose program is ending.
    for (int i = 0; i < 200 && !xWindow("^SIM3022", false).empty(); ++i) sleepFor(50);
    fs::remove(tree_.sdkDir() + "/SIM/keys.log");
    const std::string err = tree_.path("plover.err");
    Started plover({WINE_RUN, tree_.nativeModuleDirectory() + "/plover.exe", "run", programPath(Spelling::wine, tree_.sdkDir() + "/C/demo")},
                   tree_.path(""), err);
    const std::optional<Geometry> exitWindow = waitForWindow("SIMExitWindow", 60);
    if (exitWindow && bystander) {
      // The user's other program has the keyboard when "Exit SIM" is clicked.
      clickAt(bystander->x + bystander->width / 2, bystander->y + bystander->height / 2);
      sleepFor(500);
    }
    // The button spans the window's width, in its lower part below the caption.
    if (exitWindow) clickAt(exitWindow->x + exitWindow->width / 2, exitWindow->y + exitWindow->height - 24);
    const int exitCode = plover.waitUpTo(60);
    Lines keys;
    for (int i = 0; i < 100 && (keys.empty() || keys.back() != "closed"); ++i, sleepFor(50)) {
      keys = linesOf(readFile(tree_.sdkDir() + "/SIM/keys.log"));
    }
    const Lines closing = {"78", "1B", "46 alt", "43", "4E", "73 alt", "closed"};
    const bool closed = keys.size() >= closing.size() && Lines(keys.end() - static_cast<std::ptrdiff_t>(closing.size()), keys.end()) == closing;
    *what = std::string(exitWindow ? "" : "no exit window; ") + "plover exit code " + std::to_string(exitCode) +
            ", stderr '" + readFile(err) + "', last key '" + (keys.empty() ? "" : keys.back()) + "'";
    if (exitCode != 0) {
      // Neither waits on: the simulator is closed without a key, then plover.
      testsupport::runProgram({WINE_RUN, std::string(PLOVER_WIN32_STANDINS) + "/press_exit_sim.exe", "0"},
                              tree_.path(""));
      plover.waitUpTo(10);
    }
    return exitCode == 0 && closed && readFile(err).empty();
  }

  IdeTree tree_;
};

TEST_F(ExitSimClicks, EveryRealClickClosesTheSimulatorAndNoOtherProgramGetsAKey) {
  int closed = 0;
  for (int run = 1; run <= 5; ++run) {
    std::string what;
    if (runAndClick(std::nullopt, &what)) ++closed;
    else ADD_FAILURE() << "run " << run << ": " << what;
  }

  Started other({WINE_RUN, std::string(PLOVER_WIN32_STANDINS) + "/Sim3022.exe", "bystander"}, tree_.path("bystander"),
                tree_.path("bystander/output"));
  const std::optional<Geometry> bystander = waitForWindow("Bystander", 60);
  ASSERT_TRUE(bystander) << "the other program's window did not show";
  int closedWithOther = 0;
  for (int run = 6; run <= 10; ++run) {
    clickAt(bystander->x + bystander->width / 2, bystander->y + bystander->height / 2);
    std::string what;
    if (runAndClick(bystander, &what)) ++closedWithOther;
    else ADD_FAILURE() << "run " << run << " with another program open: " << what;
  }
  EXPECT_TRUE(other.running());
  EXPECT_EQ(linesOf(readFile(tree_.path("bystander/bystander.log"))), Lines{"started"});
  std::printf("Exit SIM closed the simulator in %d of 5 runs, and in %d of 5 with another program open\n", closed,
              closedWithOther);
  EXPECT_EQ(closed + closedWithOther, 10);
}

}  // namespace
