// The native methods of the wizard's class AddInJNIComm: Java values in,
// plain functions of the bridge called, Java values out. Nothing else. No
// exception (out of memory included) may unwind into the virtual machine:
// each method catches everything and ends in its failure value.
#include <jni.h>

#include <string>
#include <vector>

#include "common/moduledirectory.h"
#include "common/textencoding.h"
#include "platform/desktop.h"
#include "wizardbridge/bridge.h"
#include "wizardbridge/librarylisting.h"
#include "wizardbridge/projectcreation.h"
#include "wizardbridge/simulator.h"

namespace {

// The directory of this library, where the IDE's tree is found.
std::string bridgeDirectory() { return ucl::moduleDirectory(plover::moduleHandle()); }

// The String arguments of one call, fetched in parameter order before any
// other work and released in the same order when the call ends.
class JavaStrings {
 public:
  JavaStrings(JNIEnv* env, std::initializer_list<jstring> strings) : env_(env) {
    // Room for all first: once a string is fetched, no allocation may fail
    // before the destructor can release it.
    fetched_.reserve(strings.size());
    for (jstring string : strings) {
      // A null reference, or a fetch that failed (the virtual machine then
      // has an exception pending), leaves the call with nothing to work on.
      const char* chars = string != nullptr ? env->GetStringUTFChars(string, nullptr) : nullptr;
      if (chars == nullptr) {
        complete_ = false;
        break;
      }
      fetched_.push_back({string, chars});
    }
  }
  ~JavaStrings() {
    for (const Fetched& string : fetched_) env_->ReleaseStringUTFChars(string.string, string.chars);
  }
  JavaStrings(const JavaStrings&) = delete;
  JavaStrings& operator=(const JavaStrings&) = delete;

  bool complete() const { return complete_; }
  // Java hands its strings over in modified UTF-8.
  std::string operator[](size_t index) const { return ucl::modifiedUtf8ToUtf8(fetched_[index].chars); }

 private:
  struct Fetched {
    jstring string;
    const char* chars;
  };
  JNIEnv* env_;
  std::vector<Fetched> fetched_;
  bool complete_ = true;
};

jboolean toJava(bool value) { return value ? JNI_TRUE : JNI_FALSE; }

// The simulator control of the loaded bridge. Never destroyed: the exit
// window's thread may still use it while the library is unloaded.
plover::SimulatorControl& simulatorControl() {
  static plover::SimulatorControl* control = new plover::SimulatorControl(platform::systemDesktop(), plover::systemExitWindow());
  return *control;
}

}  // namespace

extern "C" {

JNIEXPORT void JNICALL Java_com_velmora_opentools_casiopv_addinwiz_AddInJNIComm_debugMethod(JNIEnv* env, jobject,
                                                                                            jstring message) {
  try {
    JavaStrings strings(env, {message});
    if (!strings.complete()) return;
    platform::systemDesktop().messageBox(strings[0], "DebugMessage:", platform::MessageIcon::none);
  } catch (...) {
  }
}

JNIEXPORT void JNICALL Java_com_velmora_opentools_casiopv_addinwiz_AddInJNIComm_nativeGetPV2SDKPath(JNIEnv* env,
                                                                                                    jobject,
                                                                                                    jobject result) {
  try {
    const std::string sdkPath = plover::readPv2SdkPath(bridgeDirectory());
    // A null buffer has nothing to append to, and its class cannot be asked.
    if (result == nullptr) return;
    jmethodID append =
        env->GetMethodID(env->GetObjectClass(result), "append", "(Ljava/lang/String;)Ljava/lang/StringBuffer;");
    if (append == nullptr) {
      // The failed lookup leaves its exception pending for the Java caller.
      platform::systemDesktop().messageBox("Method does not exist", "JNI Error", platform::MessageIcon::error);
      return;
    }
    // The table's variadic CallObjectMethod itself: the C++ wrapper of the
    // same name would go through CallObjectMethodV.
    env->functions->CallObjectMethod(env, result, append, env->NewStringUTF(ucl::utf8ToModifiedUtf8(sdkPath).c_str()));
  } catch (...) {
  }
}

JNIEXPORT jboolean JNICALL Java_com_velmora_opentools_casiopv_addinwiz_AddInJNIComm_createPVSDKProject(
    JNIEnv* env, jobject, jstring projectName, jboolean library) {
  try {
    JavaStrings strings(env, {projectName});
    if (!strings.complete()) return JNI_FALSE;
    // The wizard learns only whether the project is there to open.
    std::string directory;
    std::string err;
    return toJava(plover::createPv2Project(bridgeDirectory(), strings[0], library != JNI_FALSE, &directory, &err));
  } catch (...) {
    return JNI_FALSE;
  }
}

JNIEXPORT jobjectArray JNICALL Java_com_velmora_opentools_casiopv_addinwiz_AddInJNIComm_getPV2SDKLibraries(JNIEnv* env,
                                                                                                           jobject) {
  try {
    const std::vector<std::string> names =
        plover::listPv2SdkLibraries(plover::readPv2SdkPath(bridgeDirectory()));
    jclass stringClass = env->FindClass("java/lang/String");
    jobjectArray array = env->NewObjectArray(static_cast<jsize>(names.size()), stringClass, nullptr);
    // Without an array the virtual machine has an exception pending.
    if (array == nullptr) return nullptr;
    for (size_t i = 0; i < names.size(); ++i) {
      jstring name = env->NewStringUTF(ucl::utf8ToModifiedUtf8(names[i]).c_str());
      env->SetObjectArrayElement(array, static_cast<jsize>(i), name);
      env->DeleteLocalRef(name);
    }
    return array;
  } catch (...) {
    return nullptr;
  }
}

JNIEXPORT jboolean JNICALL Java_com_velmora_opentools_casiopv_addinwiz_AddInJNIComm_runPVSDKProject(
    JNIEnv* env, jobject, jstring project, jstring projectDirectory, jboolean debug) {
  try {
    JavaStrings strings(env, {project, projectDirectory});
    if (!strings.complete()) return JNI_FALSE;
    std::string err;
    const plover::RunOutcome outcome =
        simulatorControl().runPv2Project(bridgeDirectory(), strings[0], strings[1], debug != JNI_FALSE, &err);
    // A window that did not appear is only the false returned, as the wizard expects.
    if (outcome == plover::RunOutcome::stopped) {
      platform::systemDesktop().messageBox(err, "Error!", platform::MessageIcon::exclamation);
    }
    return toJava(outcome == plover::RunOutcome::driven);
  } catch (...) {
    return JNI_FALSE;
  }
}

}  // extern "C"
