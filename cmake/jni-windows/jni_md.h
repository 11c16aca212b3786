/* The machine-dependent part of jni.h for the Windows targets. A Windows
   runtime's jvm.dll exports its invocation functions, and fills its function
   tables, with the __stdcall convention. On x86-64 that is the only
   convention anyway; on 32-bit x86 a caller built with the default (cdecl)
   would leave the stack unbalanced after every JNI call. */
#ifndef _JAVASOFT_JNI_MD_H_
#define _JAVASOFT_JNI_MD_H_

#define JNIEXPORT __declspec(dllexport)
#define JNIIMPORT __declspec(dllimport)
#define JNICALL __stdcall

typedef int jint;
typedef long long jlong;
typedef signed char jbyte;

#endif
