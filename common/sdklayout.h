// Where the two SDK generations and their compilers keep what kestrel's
// makefiles and make runs use and what plover looks for: paths below the
// SDK's or the compiler's directory, and programs named without a suffix.
#pragma once

#include <string>

namespace ucl {

// A path below a directory of the settings file (which ends in no
// backslash).
inline std::string inDirectory(const std::string& directory, const std::string& relative) {
  return directory + "\\" + relative;
}

// PV2: the SDK ("SDKPath" of [PV2SDK Paths]) and LSI C-86 ("CompilerPath").
namespace pv2 {

inline constexpr char kMakeTool[] = "kmmake";  // in kSdkTools, or in the compiler's kCompilerPrograms
inline constexpr char kCompiler[] = "lcc86";   // in kCompilerPrograms
inline constexpr char kSdkTools[] = "TOOL";
inline constexpr char kCompilerPrograms[] = "bin";
inline constexpr char kSimulator[] = "SIM\\Sim3022.exe";

// The include directories of MakeSDK.1 and the headers of COMHEAD, on
// which every object depends.
inline constexpr char kHeaders[] = "C\\Com_H";
inline constexpr char kLibraryHeaders[] = "C\\Com_Lib\\h";
inline constexpr const char* kCommonHeaders[] = {"C\\Com_H\\define.h", "C\\Com_H\\libc.h",
                                                 "C\\Com_Lib\\h\\l_define.h", "C\\Com_Lib\\h\\l_libc.h"};

// What the link of a program takes, in a directory per memory model ("s"
// or "p"): the start objects, the project's libraries and the C library,
// the linker's file LINK2<model>.DAT; the math library at the path the
// makefile names.
inline constexpr char kObjects[] = "C\\Com_Obj";
inline constexpr const char* kStartObjects[] = {"start.obj", "libdata.obj"};
inline constexpr char kLibraries[] = "C\\Com_Lib";
inline constexpr char kCLibrary[] = "libc.lib";
inline constexpr char kLinkFiles[] = "C\\COM_LNK";
inline constexpr char kMathLibrary[] = "\\lsij\\lsic86pv\\lib\\p\\mathlib.lib";

}  // namespace pv2

// PV3: the SDK ("SDKPath" of [PV3SDK Paths]) and SH C/C++ ("CompilerPath").
namespace pv3 {

inline constexpr char kMakeTool[] = "hmake";  // in kCompilerPrograms
inline constexpr char kCompiler[] = "shc";    // in kCompilerPrograms
inline constexpr char kCompilerPrograms[] = "bin";
inline constexpr char kCompilerHeaders[] = "include";
inline constexpr char kCompilerLibrary[] = "shclib.lib";  // in the compiler's directory itself
inline constexpr char kSdkTools[] = "TOOLS";

// The compiler's subcommand files, one per mode.
inline constexpr char kSubcommands[] = "tools";
inline constexpr char kDebugSubcommandFile[] = "MakeDbg.sub";
inline constexpr char kReleaseSubcommandFile[] = "Makefile.sub";

// The include directories of makefile.mak and the headers of LCOM_H.
inline constexpr char kHeaders[] = "lib\\LibH";
inline constexpr char kHiHeaders[] = "lib\\hilib";
inline constexpr const char* kCommonHeaders[] = {"lib\\LibH\\define.h", "lib\\LibH\\LIBC.H", "lib\\LibH\\L_LIBC.H",
                                                 "lib\\LibH\\L_define.h"};

// What the linker's subcommand takes, in its order: the system objects,
// then the project's libraries in kLibraries, then the SDK's own libraries.
inline constexpr char kSystemObjects[] = "system\\obj";
inline constexpr const char* kStartObjects[] = {"startapl.obj", "setup.obj", "section.obj", "rsysram.obj",
                                                "bootinf.obj"};
inline constexpr char kLibraries[] = "lib";
inline constexpr const char* kSdkLibraries[] = {"lib\\libc.lib", "lib\\addlibc.lib", "lib\\hilib\\HiLIB.LIB"};

}  // namespace pv3

}  // namespace ucl
