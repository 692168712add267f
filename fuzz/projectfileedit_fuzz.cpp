// plover's project-file editor with any project file and any path: either
// nothing is written, or the result reads, as kestrel reads it, with exactly
// the old entries plus (or minus) the one path, the entry is written as a
// strict reader wants it, and every byte outside it stays as it was.
#include <string>
#include <vector>

#include "common/projectfile.h"
#include "fuzz/fuzzsupport.h"
#include "wizardbridge/projectfileeditor.h"

namespace {

std::string withBackslashes(std::string path) {
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

// Bytes that a and b share at their start and at their end, together.
size_t sharedOutside(const std::string& a, const std::string& b) {
  size_t front = 0;
  while (front < a.size() && front < b.size() && a[front] == b[front]) ++front;
  size_t back = 0;
  while (back < a.size() - front && back < b.size() - front && a[a.size() - 1 - back] == b[b.size() - 1 - back]) ++back;
  return front + back;
}

// An entry as a strict reader wants it: <file path="..."/> with a value
// that holds no "<" and no quote of its own, and "&" only for entities.
bool strictlyWritten(const std::string& entry) {
  if (entry.size() < 15 || entry.compare(0, 11, "<file path=") != 0) return false;
  const char quote = entry[11];
  if ((quote != '"' && quote != '\'') || entry.compare(entry.size() - 3, 3, std::string(1, quote) + "/>") != 0) {
    return false;
  }
  const std::string value = entry.substr(12, entry.size() - 15);
  if (value.find_first_of(std::string("<") + quote) != std::string::npos) return false;
  for (size_t at = value.find('&'); at != std::string::npos; at = value.find('&', at + 1)) {
    if (value.compare(at, 5, "&amp;") != 0 && value.compare(at, 4, "&lt;") != 0 &&
        value.compare(at, 6, "&quot;") != 0 && value.compare(at, 6, "&apos;") != 0) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Input: flags byte (1: remove), then the path up to the first NUL, then
  // the project file.
  if (size == 0) return 0;
  const bool removing = (data[0] & 1) != 0;
  const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
  const size_t end = rest.find('\0');
  const std::string path = rest.substr(0, end);
  const std::string bytes = end == std::string::npos ? std::string() : rest.substr(end + 1);

  const std::optional<std::vector<std::string>> old = ucl::parseProjectFile(bytes);
  // The editor reads what kestrel reads, no more and no less, and lists the
  // same entries.
  const std::optional<ucl::ProjectFileOutline> outline = ucl::outlineProjectFile(bytes);
  FUZZ_CHECK(outline.has_value() == old.has_value());
  if (outline) {
    std::vector<std::string> listed;
    for (const ucl::ProjectFileEntry& entry : outline->entries) listed.push_back(withBackslashes(entry.path));
    FUZZ_CHECK(listed == *old);
  }

  std::string err;
  if (!removing) {
    std::string added;
    const std::optional<std::string> result =
        plover::addProjectFileEntry(bytes, path, &added, &err) ? std::optional<std::string>(added) : std::nullopt;
    if (!result) {
      FUZZ_CHECK(!err.empty());
      return 0;
    }
    FUZZ_CHECK(old.has_value());
    const std::optional<std::vector<std::string>> now = ucl::parseProjectFile(*result);
    FUZZ_CHECK(now.has_value() && now->size() == old->size() + 1);
    bool found = false;
    for (size_t i = 0; i < now->size() && !found; ++i) {
      if ((*now)[i] != withBackslashes(path)) continue;
      std::vector<std::string> without = *now;
      without.erase(without.begin() + static_cast<std::ptrdiff_t>(i));
      found = without == *old;
    }
    FUZZ_CHECK(found);
    // An empty-element tag is opened, which changes its "/>".
    FUZZ_CHECK(sharedOutside(bytes, *result) + 2 >= bytes.size());
    const std::optional<ucl::ProjectFileOutline> after = ucl::outlineProjectFile(*result);
    FUZZ_CHECK(after.has_value());
    size_t written = 0;
    for (const ucl::ProjectFileEntry& entry : after->entries) {
      if (!plover::sameEntryPath(entry.path, path)) continue;
      ++written;
      FUZZ_CHECK(strictlyWritten(result->substr(entry.begin, entry.end - entry.begin)));
    }
    FUZZ_CHECK(written == 1);
    // And it can be taken out again.
    std::string removed;
    FUZZ_CHECK(plover::removeProjectFileEntry(*result, path, &removed, &err) && ucl::parseProjectFile(removed) == old);
  } else {
    std::string removed;
    const std::optional<std::string> result =
        plover::removeProjectFileEntry(bytes, path, &removed, &err) ? std::optional<std::string>(removed) : std::nullopt;
    if (!result) {
      FUZZ_CHECK(!err.empty());
      return 0;
    }
    FUZZ_CHECK(old.has_value());
    std::vector<std::string> expected;
    bool listed = false;
    for (const std::string& entry : *old) {
      if (plover::sameEntryPath(entry, path)) {
        listed = true;
      } else {
        expected.push_back(entry);
      }
    }
    FUZZ_CHECK(listed);
    FUZZ_CHECK(ucl::parseProjectFile(*result) == expected);
  }
  return 0;
}
