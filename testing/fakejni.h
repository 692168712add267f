// A JNI environment for tests of the exported native methods without a
// Java virtual machine: its function table implements the JNI functions
// that the bridge uses, over simple fake objects, and records every call.
#pragma once

#include <jni.h>

#include <deque>
#include <string>
#include <vector>

namespace plovertest {

class FakeJni {
 public:
  FakeJni();
  FakeJni(const FakeJni&) = delete;
  FakeJni& operator=(const FakeJni&) = delete;

  JNIEnv* env() { return &env_; }

  jstring newString(const std::string& text);
  jobject newStringBuffer(const std::string& text);
  jobject newPlainObject();  // an object without an append method

  std::string textOf(jobject object) const;
  std::vector<std::string> elementsOf(jobjectArray array) const;

  // Every call, as "Name(arguments)", in order.
  std::vector<std::string> calls;
  // GetStringUTFChars fails (returns null) for strings with this text.
  std::string failingFetch = "\x01none";
  // The JNI function of this name throws std::bad_alloc, standing in for an
  // allocation that fails inside the bridge.
  std::string throwingFunction;
  // Fetched string characters not released yet, and releases of
  // characters that were never fetched.
  int unreleased() const { return static_cast<int>(fetched_.size()); }
  int wrongReleases = 0;

 private:
  struct Object {
    enum Kind { string, stringBuffer, plain, classObject, array } kind;
    std::string text;  // the characters; for a class its name
    std::vector<Object*> elements;
  };
  Object* make(Object::Kind kind, const std::string& text);
  static FakeJni& of(JNIEnv* env);
  static FakeJni& entered(JNIEnv* env, const char* function);
  static Object* object(jobject handle) { return reinterpret_cast<Object*>(handle); }

  static const char* JNICALL getStringUTFChars(JNIEnv* env, jstring string, jboolean* isCopy);
  static void JNICALL releaseStringUTFChars(JNIEnv* env, jstring string, const char* chars);
  static jstring JNICALL newStringUTF(JNIEnv* env, const char* chars);
  static jclass JNICALL getObjectClass(JNIEnv* env, jobject object);
  static jmethodID JNICALL getMethodID(JNIEnv* env, jclass type, const char* name, const char* signature);
  static jobject JNICALL callObjectMethod(JNIEnv* env, jobject object, jmethodID method, ...);
  static jclass JNICALL findClass(JNIEnv* env, const char* name);
  static jobjectArray JNICALL newObjectArray(JNIEnv* env, jsize length, jclass type, jobject initial);
  static void JNICALL setObjectArrayElement(JNIEnv* env, jobjectArray array, jsize index, jobject value);
  static void JNICALL deleteLocalRef(JNIEnv* env, jobject object);

  JNINativeInterface_ table_;
  JNIEnv env_;
  std::deque<Object> objects_;
  std::vector<std::pair<jstring, std::string*>> fetched_;
  std::deque<std::string> fetchedChars_;
  int appendId_ = 0;
};

}  // namespace plovertest
