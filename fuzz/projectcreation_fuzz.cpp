// Project creation with any name and any template project file, in a
// scratch IDE tree and SDK: nothing is made or changed anywhere but the
// project's own directory SDK\C\<name>, and nothing at all for a name that
// is refused.
#include <filesystem>
#include <map>

#include "fuzz/fuzzsupport.h"
#include "platform/files.h"
#include "platform/pathspelling.h"
#include "wizardbridge/projectcreation.h"
#include "wizardbridge/projectname.h"

namespace {

namespace fs = std::filesystem;

// Every entry below the directory, with the bytes of each file.
std::map<std::string, std::string> snapshot(const fs::path& root) {
  std::map<std::string, std::string> entries;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    const std::string path = it->path().string();
    entries[path] = it->is_directory() ? std::string("<dir>") : fuzzsupport::readBytes(path);
  }
  return entries;
}

void writeText(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  fuzzsupport::writeBytes(path.string(), reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fs::path root = fuzzsupport::scratchDirectory();
  // Input: flags byte, then the name up to the first NUL, then the template.
  if (size == 0) return 0;
  const bool library = (data[0] & 1) != 0;
  const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
  const size_t end = rest.find('\0');
  const std::string name = rest.substr(0, end);
  const std::string templateText = end == std::string::npos ? std::string() : rest.substr(end + 1);

  fs::remove_all(root / "ide");
  fs::remove_all(root / "sdk");
  const std::string sdk = platform::hostToWindowsPath((root / "sdk").string());
  writeText(root / "ide/toolsets/PVSDK/Settings.ini", "[PV2SDK Paths]\nSDKPath=" + sdk + "\n");
  writeText(root / "ide/templates/PVSDK" / (library ? "projlib.cbx" : "projapp.cbx"), templateText);
  writeText(root / "ide/templates/PVSDK" / (library ? "projlib" : "projapp") / "C/main.c", "int main;\n");
  writeText(root / "ide/templates/PVSDK" / (library ? "projlib" : "projapp") / "proj.cbx.local", "local\n");
  writeText(root / "sdk/C/other/keep.c", "kept\n");
  fs::create_directories(root / "ide/bin");
  const std::map<std::string, std::string> before = snapshot(root);

  std::string directory;
  std::string err;
  const bool created = plover::createPv2Project(platform::hostToWindowsPath((root / "ide/bin").string()) + "\\",
                                                  name, library, &directory, &err);

  const std::map<std::string, std::string> after = snapshot(root);
  std::string problem;
  const bool refused = !plover::checkProjectName(name, &problem);
  FUZZ_CHECK(!(refused && created));
  const std::string projectDirectory = (root / "sdk/C" / name).string();
  for (const auto& [path, bytes] : after) {
    const bool insideProject = !refused && path.compare(0, projectDirectory.size() + 1, projectDirectory + "/") == 0;
    if (insideProject || (!refused && path == projectDirectory)) continue;
    const auto old = before.find(path);
    FUZZ_CHECK(old != before.end() && old->second == bytes);
  }
  for (const auto& [path, bytes] : before) FUZZ_CHECK(after.count(path) == 1);
  if (created) FUZZ_CHECK(after.count(projectDirectory + "/" + name + ".cbx") == 1);
  return 0;
}
