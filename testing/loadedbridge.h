// Support for the tests of the exported native methods: the built library
// loaded once per test program from a temporary IDE tree, message boxes
// seen from outside, and a call that measures who removed the arguments.
#pragma once

#include <jni.h>

#include <cstdint>
#include <functional>
#include <string>

#include "testing/idetree.h"

namespace plovertest {

using DebugMethod = void(JNICALL*)(JNIEnv*, jobject, jstring);
using NativeGetPV2SDKPath = void(JNICALL*)(JNIEnv*, jobject, jobject);
using CreatePVSDKProject = jboolean(JNICALL*)(JNIEnv*, jobject, jstring, jboolean);
using GetPV2SDKLibraries = jobjectArray(JNICALL*)(JNIEnv*, jobject);
using RunPVSDKProject = jboolean(JNICALL*)(JNIEnv*, jobject, jstring, jstring, jboolean);

// The library copied into bin of its IDE tree (with the shipped templates
// and kestrel beside it) and loaded; never unloaded, since the exit window's
// thread may outlive any test.
class LoadedBridge {
 public:
  static LoadedBridge& instance();

  IdeTree& tree() { return tree_; }
  // The address of an export, found by name; null when there is none.
  void* symbol(const std::string& name) const;

  DebugMethod debugMethod() const;
  NativeGetPV2SDKPath nativeGetPV2SDKPath() const;
  CreatePVSDKProject createPVSDKProject() const;
  GetPV2SDKLibraries getPV2SDKLibraries() const;
  RunPVSDKProject runPVSDKProject() const;

 private:
  LoadedBridge();
  void* method(const char* name) const;

  IdeTree tree_;
  void* library_ = nullptr;
};

// What a call showed in a message box: on Windows the box found by its
// caption (then closed with OK), on POSIX the two lines written to standard
// error.
struct ShownMessage {
  bool appeared = false;
  std::string caption;
  std::string text;
  bool icon = false;
};
ShownMessage messageShownBy(const std::function<void()>& call, const std::string& caption,
                            int waitMilliseconds = 10000);

#if defined(_WIN32) && defined(__i386__)
// Calls the function with the 32-bit arguments pushed right to left and
// tells how many bytes of them were left on the stack after it returned:
// none for a function that removes its arguments (stdcall).
std::uint32_t callCountingStack(void* function, const std::uint32_t* arguments, std::uint32_t count,
                                std::uint32_t* bytesLeft);
#endif

}  // namespace plovertest
