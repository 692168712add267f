/* Machine-dependent JNI definitions for 32-bit Windows: the JNI calling
   convention is stdcall there, and jint is a 32-bit long. */
#ifndef PLOVER_JNI_MD_H
#define PLOVER_JNI_MD_H

#define JNIEXPORT __declspec(dllexport)
#define JNIIMPORT __declspec(dllimport)
#define JNICALL __stdcall

typedef long jint;
typedef __int64 jlong;
typedef signed char jbyte;

#endif
