// The path helpers on any two paths: no crash, the parts of a path add up
// to the path, and a relative path ends in a backslash.
#include "common/pathhelpers.h"
#include "fuzz/fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool dotPrefix = (data[0] & 1) != 0;
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  const size_t split = text.find('\0');
  const std::string base = text.substr(0, split);
  const std::string target = split == std::string::npos ? text : text.substr(split + 1);

  for (const std::string& path : {base, target}) {
    const std::string name = ucl::fileName(path);
    FUZZ_CHECK(ucl::fileDirectory(path) + name == path);
    const std::string title = ucl::fileTitle(path);
    const std::string extension = ucl::fileExtension(path);
    // Only a dot at the very start of the path belongs to both title and extension.
    if (!(path.size() > 0 && path[0] == '.' && name == path && path.find('.', 1) == std::string::npos)) {
      FUZZ_CHECK(title + extension == name);
    }
    FUZZ_CHECK(ucl::lowerCase(path).size() == path.size());
    std::string trimmed = path;
    ucl::removeTrailingBackslash(trimmed);
    FUZZ_CHECK(trimmed.size() + (path.empty() || path.back() != '\\' ? 0 : 1) == path.size());
  }

  const std::optional<std::string> relative = ucl::relativePath(base, target, dotPrefix);
  FUZZ_CHECK(relative.has_value() == (ucl::driveLetter(base) == ucl::driveLetter(target)));
  if (relative && !relative->empty()) FUZZ_CHECK(relative->back() == '\\');
  if (relative && relative->empty()) FUZZ_CHECK(!dotPrefix);
  return 0;
}
