// The back end for the PV-S1600: makefiles for hmake and its run.
#pragma once

#include "buildtool/backend.h"

namespace kestrel {

extern const BackEnd kPv3BackEnd;

BuildDirectory pv3Makefiles(const BuildOptions& options, const SdkPaths& settings,
                            const std::vector<std::string>& projectFiles);
std::vector<MakeRun> pv3MakeRuns(const BuildOptions& options, const SdkPaths& settings);
std::vector<std::string> pv3IncludeDirectories(const SdkPaths& settings);
// The compiler's options file of the build's mode (SUBCOM of makefile.mak).
std::string pv3SubcommandFile(const BuildOptions& options, const SdkPaths& settings);
CompilerInputs pv3CompilerInputs(const BuildOptions& options, const SdkPaths& settings,
                                  const std::vector<std::string>& projectFiles);
std::vector<std::string> pv3MakeInputs(const BuildOptions& options, const SdkPaths& settings,
                                       const std::vector<std::string>& projectFiles);

}  // namespace kestrel
