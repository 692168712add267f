// The back end for the older PV models: makefiles for kmmake and its runs.
#pragma once

#include "buildtool/backend.h"

namespace kestrel {

extern const BackEnd kPv2BackEnd;

BuildDirectory pv2Makefiles(const BuildOptions& options, const SdkPaths& settings,
                            const std::vector<std::string>& projectFiles);
std::vector<MakeRun> pv2MakeRuns(const BuildOptions& options, const SdkPaths& settings);
std::vector<std::string> pv2IncludeDirectories(const SdkPaths& settings);
std::vector<std::string> pv2MakeInputs(const BuildOptions& options, const SdkPaths& settings,
                                       const std::vector<std::string>& projectFiles);
CompilerInputs pv2CompilerInputs(const BuildOptions& options, const SdkPaths& settings,
                                  const std::vector<std::string>& projectFiles);

}  // namespace kestrel
