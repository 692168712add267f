#include "buildtool/projectfile.h"

#include <tinyxml2.h>

#include <algorithm>
#include <cstring>

#include "common/pathhelpers.h"
#include "platform/files.h"

namespace {

bool hasValue(const tinyxml2::XMLNode* node, const char* value) {
  const char* own = node->Value();
  return own != nullptr && std::strcmp(own, value) == 0;
}

// Depth first in document order, with an explicit stack so that deeply
// nested groups cannot exhaust the call stack: each level holds the next
// sibling still to visit.
std::vector<std::string> collectFiles(const tinyxml2::XMLNode& project) {
  std::vector<std::string> files;
  std::vector<const tinyxml2::XMLNode*> pending{project.FirstChild()};
  while (!pending.empty()) {
    const tinyxml2::XMLNode* current = pending.back();
    if (current == nullptr) {
      pending.pop_back();
      continue;
    }
    pending.back() = current->NextSibling();
    const tinyxml2::XMLElement* element = current->ToElement();
    if (element == nullptr) continue;
    if (hasValue(element, "node")) {
      pending.push_back(element->FirstChild());
    } else if (hasValue(element, "file")) {
      if (const char* path = element->Attribute("path")) files.push_back(path);
    }
  }
  return files;
}

}  // namespace

std::optional<std::string> findProjectFile(const std::string& title) {
  std::vector<std::string> found;
  if (!title.empty()) found = platform::findFiles(title + ".cbx");
  if (found.empty()) found = platform::findFiles("*.cbx");
  if (found.empty()) return std::nullopt;
  return ucl::fileTitle(found.front());
}

std::optional<std::vector<std::string>> readProjectFile(const std::string& path) {
  tinyxml2::XMLDocument document;
  std::FILE* file = platform::openBinaryFile(path, "rb");
  if (file == nullptr) return std::nullopt;
  const bool parsed = document.LoadFile(file) == tinyxml2::XML_SUCCESS;
  std::fclose(file);
  if (!parsed) return std::nullopt;

  const tinyxml2::XMLNode* project = document.FirstChild();
  while (project != nullptr && !hasValue(project, "project")) project = project->NextSibling();
  if (project == nullptr) return std::nullopt;

  std::vector<std::string> files = collectFiles(*project);
  for (std::string& entry : files) std::replace(entry.begin(), entry.end(), '/', '\\');
  return files;
}

FileKind fileKind(const std::string& path) {
  const std::string extension = ucl::lowerCase(ucl::fileExtension(path));
  if (extension == ".c" || extension == ".a86" || extension == ".asm") return FileKind::source;
  if (extension == ".h") return FileKind::header;
  if (extension == ".lib") return FileKind::library;
  return FileKind::other;
}
