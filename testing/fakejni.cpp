#include "testing/fakejni.h"

#include <cstdarg>
#include <cstring>
#include <new>

namespace plovertest {

FakeJni::FakeJni() {
  std::memset(&table_, 0, sizeof table_);
  table_.reserved0 = this;
  table_.GetStringUTFChars = getStringUTFChars;
  table_.ReleaseStringUTFChars = releaseStringUTFChars;
  table_.NewStringUTF = newStringUTF;
  table_.GetObjectClass = getObjectClass;
  table_.GetMethodID = getMethodID;
  table_.CallObjectMethod = callObjectMethod;
  table_.FindClass = findClass;
  table_.NewObjectArray = newObjectArray;
  table_.SetObjectArrayElement = setObjectArrayElement;
  table_.DeleteLocalRef = deleteLocalRef;
  env_.functions = &table_;
}

FakeJni& FakeJni::of(JNIEnv* env) { return *static_cast<FakeJni*>(env->functions->reserved0); }

FakeJni& FakeJni::entered(JNIEnv* env, const char* function) {
  FakeJni& jni = of(env);
  if (jni.throwingFunction == function) throw std::bad_alloc();
  return jni;
}

FakeJni::Object* FakeJni::make(Object::Kind kind, const std::string& text) {
  objects_.push_back(Object{kind, text, {}});
  return &objects_.back();
}

jstring FakeJni::newString(const std::string& text) { return reinterpret_cast<jstring>(make(Object::string, text)); }

jobject FakeJni::newStringBuffer(const std::string& text) {
  return reinterpret_cast<jobject>(make(Object::stringBuffer, text));
}

jobject FakeJni::newPlainObject() { return reinterpret_cast<jobject>(make(Object::plain, "")); }

std::string FakeJni::textOf(jobject handle) const { return handle != nullptr ? object(handle)->text : "(null)"; }

std::vector<std::string> FakeJni::elementsOf(jobjectArray array) const {
  std::vector<std::string> texts;
  for (const Object* element : object(array)->elements) texts.push_back(element != nullptr ? element->text : "(null)");
  return texts;
}

const char* JNICALL FakeJni::getStringUTFChars(JNIEnv* env, jstring string, jboolean* isCopy) {
  FakeJni& jni = entered(env, "GetStringUTFChars");
  const std::string& text = object(string)->text;
  jni.calls.push_back("GetStringUTFChars(" + text + (isCopy != nullptr ? ", copy flag asked" : "") + ")");
  if (text == jni.failingFetch) return nullptr;
  jni.fetchedChars_.push_back(text);
  jni.fetched_.push_back({string, &jni.fetchedChars_.back()});
  return jni.fetchedChars_.back().c_str();
}

void JNICALL FakeJni::releaseStringUTFChars(JNIEnv* env, jstring string, const char* chars) {
  FakeJni& jni = of(env);
  jni.calls.push_back("ReleaseStringUTFChars(" + object(string)->text + ")");
  for (auto it = jni.fetched_.begin(); it != jni.fetched_.end(); ++it) {
    if (it->first == string && it->second->c_str() == chars) {
      jni.fetched_.erase(it);
      return;
    }
  }
  ++jni.wrongReleases;
}

jstring JNICALL FakeJni::newStringUTF(JNIEnv* env, const char* chars) {
  FakeJni& jni = of(env);
  jni.calls.push_back("NewStringUTF(" + std::string(chars) + ")");
  return jni.newString(chars);
}

jclass JNICALL FakeJni::getObjectClass(JNIEnv* env, jobject handle) {
  FakeJni& jni = entered(env, "GetObjectClass");
  const bool buffer = object(handle)->kind == Object::stringBuffer;
  const std::string name = buffer ? "java/lang/StringBuffer" : "java/lang/Object";
  jni.calls.push_back("GetObjectClass(" + name + ")");
  return reinterpret_cast<jclass>(jni.make(Object::classObject, name));
}

jmethodID JNICALL FakeJni::getMethodID(JNIEnv* env, jclass type, const char* name, const char* signature) {
  FakeJni& jni = of(env);
  jni.calls.push_back("GetMethodID(" + object(type)->text + ", " + name + ", " + signature + ")");
  if (object(type)->text == "java/lang/StringBuffer" && std::strcmp(name, "append") == 0 &&
      std::strcmp(signature, "(Ljava/lang/String;)Ljava/lang/StringBuffer;") == 0) {
    return reinterpret_cast<jmethodID>(&jni.appendId_);
  }
  return nullptr;  // a real machine leaves NoSuchMethodError pending here
}

jobject JNICALL FakeJni::callObjectMethod(JNIEnv* env, jobject handle, jmethodID method, ...) {
  FakeJni& jni = of(env);
  va_list arguments;
  va_start(arguments, method);
  jobject argument = va_arg(arguments, jobject);
  va_end(arguments);
  const bool append = method == reinterpret_cast<jmethodID>(&jni.appendId_);
  jni.calls.push_back(std::string("CallObjectMethod(") + (append ? "append" : "unknown") + ", " +
                      jni.textOf(argument) + ")");
  if (append && object(handle)->kind == Object::stringBuffer) object(handle)->text += jni.textOf(argument);
  return handle;
}

jclass JNICALL FakeJni::findClass(JNIEnv* env, const char* name) {
  FakeJni& jni = entered(env, "FindClass");
  jni.calls.push_back("FindClass(" + std::string(name) + ")");
  return reinterpret_cast<jclass>(jni.make(Object::classObject, name));
}

jobjectArray JNICALL FakeJni::newObjectArray(JNIEnv* env, jsize length, jclass type, jobject initial) {
  FakeJni& jni = of(env);
  jni.calls.push_back("NewObjectArray(" + std::to_string(length) + ", " + object(type)->text + ", " +
                      (initial == nullptr ? "null" : "element") + ")");
  Object* array = jni.make(Object::array, "");
  array->elements.assign(static_cast<size_t>(length), object(initial));
  return reinterpret_cast<jobjectArray>(array);
}

void JNICALL FakeJni::setObjectArrayElement(JNIEnv* env, jobjectArray array, jsize index, jobject value) {
  FakeJni& jni = of(env);
  jni.calls.push_back("SetObjectArrayElement(" + std::to_string(index) + ", " + jni.textOf(value) + ")");
  object(array)->elements.at(static_cast<size_t>(index)) = object(value);
}

void JNICALL FakeJni::deleteLocalRef(JNIEnv* env, jobject handle) {
  FakeJni& jni = of(env);
  jni.calls.push_back("DeleteLocalRef(" + jni.textOf(handle) + ")");
}

}  // namespace plovertest
