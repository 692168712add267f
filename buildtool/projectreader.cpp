// Reading the IDE's project file: which files make up the project.
#include <tinyxml2.h>

#include <algorithm>
#include <cstring>

#include "buildtool/buildtool.h"
#include "buildtool/console.h"
#include "common/pathhelpers.h"
#include "platform/files.h"

namespace {

bool hasValue(const tinyxml2::XMLNode* node, const char* value) {
  const char* own = node->Value();
  return own != nullptr && std::strcmp(own, value) == 0;
}

}  // namespace

bool BuildTool::readProject() {
  info->projectFile = ucl::fileTitle(info->projectFile);
  if (!findProjectFile(info->projectFile)) return false;
  if (info->programName.empty()) info->programName = info->projectFile;

  // A file that cannot be read or parsed counts as a document without a
  // project: nothing of a broken file reaches the makefiles.
  tinyxml2::XMLDocument document;
  if (std::FILE* file = platform::openBinaryFile(info->projectFile + ".cbx", "rb")) {
    if (document.LoadFile(file) != tinyxml2::XML_SUCCESS) document.Clear();
    std::fclose(file);
  }
  const tinyxml2::XMLNode* project = document.FirstChild();
  while (project != nullptr && !hasValue(project, "project")) project = project->NextSibling();
  if (project == nullptr) {
    writeErrorLine("Error: Wrong format in .cbx file");
    return false;
  }

  collectFiles(project);
  for (auto entry = projectFiles.rbegin(); entry != projectFiles.rend(); ++entry) {
    std::replace(entry->begin(), entry->end(), '/', '\\');
    const std::string extension = ucl::lowerCase(ucl::fileExtension(*entry));
    if (extension == ".c" || extension == ".a86" || extension == ".asm") {
      addSourceFile(*entry);
    } else if (extension == ".h") {
      addHeaderFile(*entry);
    } else if (extension == ".lib") {
      addLibrary(*entry);
    }
  }
  writeMakefiles();
  return true;
}

bool BuildTool::findProjectFile(std::string& name) {
  // Without a name only the search for any project file is left.
  std::vector<std::string> found;
  if (!name.empty()) found = platform::findFiles(name + ".cbx");
  if (found.empty()) found = platform::findFiles("*.cbx");
  if (found.empty()) {
    writeErrorLine("Unable to find project file");
    name.clear();
    return false;
  }
  name = ucl::fileTitle(found.front());
  return true;
}

bool BuildTool::collectFiles(const tinyxml2::XMLNode* node) {
  if (node == nullptr) return false;
  // Depth first in document order, with an explicit stack so that deeply
  // nested groups cannot exhaust the call stack: each level holds the next
  // sibling still to visit.
  std::vector<const tinyxml2::XMLNode*> pending{node->FirstChild()};
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
      if (const char* path = element->Attribute("path")) projectFiles.push_back(path);
    }
  }
  return true;
}
