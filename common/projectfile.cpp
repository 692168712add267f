#include "common/projectfile.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <unordered_map>
#include <utility>

#include "common/pathhelpers.h"
#include "common/textencoding.h"
#include "platform/files.h"
#include "platform/memory.h"

namespace ucl {

namespace {

// The predefined entities, without "&" and ";".
struct Entity {
  const char* name;
  size_t length;
  char value;
};
const Entity kEntities[] = {{"quot", 4, '"'}, {"amp", 3, '&'}, {"apos", 4, '\''}, {"lt", 2, '<'}, {"gt", 2, '>'}};

// A numeric character reference at text[at] ("&#" then digits, or "&#x"
// then hex digits, then ";"), read as project files have always been read:
// the digits are taken from the ";" backwards to the "#" or "x", in the
// word sizes of the C runtime; a value from 0x200000 on gives nothing, and
// the value 0 ends the text. The end of the reference, or npos when it is
// not one (then the "&" stays as it is).
size_t numericReference(const std::string& text, size_t at, std::string& out, bool& ended) {
  const bool hex = text[at + 2] == 'x';
  const size_t semicolon = text.find(';', at + (hex ? 3 : 2));
  if (semicolon == std::string::npos) return std::string::npos;
  unsigned long value = 0;
  unsigned int scale = 1;
  for (size_t i = semicolon - 1; text[i] != (hex ? 'x' : '#'); --i) {
    const char c = text[i];
    unsigned int digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<unsigned int>(c - '0');
    } else if (hex && c >= 'a' && c <= 'f') {
      digit = static_cast<unsigned int>(c - 'a' + 10);
    } else if (hex && c >= 'A' && c <= 'F') {
      digit = static_cast<unsigned int>(c - 'A' + 10);
    } else {
      return std::string::npos;
    }
    value += scale * digit;
    scale *= hex ? 16u : 10u;
  }
  if (value == 0) {
    ended = true;
  } else if (value < 0x200000) {
    appendUtf8(static_cast<uint32_t>(value), out);
  }
  return semicolon + 1;
}

}  // namespace

std::string decodeAttributeValue(const std::string& raw) {
  std::string out;
  out.reserve(raw.size());
  size_t i = 0;
  while (i < raw.size()) {
    const char c = raw[i];
    if (c == '\r' || c == '\n') {
      // CR LF, LF CR, and a CR or LF alone, each become one LF.
      const char pair = c == '\r' ? '\n' : '\r';
      i += i + 1 < raw.size() && raw[i + 1] == pair ? 2 : 1;
      out += '\n';
    } else if (c == '&' && i + 1 < raw.size() && raw[i + 1] == '#') {
      if (i + 2 == raw.size()) {
        // "&#" at the very end: the "&" goes.
        ++i;
        continue;
      }
      bool ended = false;
      const size_t next = numericReference(raw, i, out, ended);
      if (ended) return out;
      if (next == std::string::npos) {
        out += c;
        ++i;
      } else {
        i = next;
      }
    } else if (c == '&') {
      const Entity* found = nullptr;
      for (const Entity& entity : kEntities) {
        if (raw.compare(i + 1, entity.length, entity.name) == 0 && i + 1 + entity.length < raw.size() &&
            raw[i + 1 + entity.length] == ';') {
          found = &entity;
          break;
        }
      }
      if (found != nullptr) {
        out += found->value;
        i += found->length + 2;
      } else {
        out += c;  // not an entity: kept as written
        ++i;
      }
    } else {
      out += c;
      ++i;
    }
  }
  return out;
}

namespace {

// Visits the nodes from first on and its siblings, depth first in document
// order, descending below a node when visit returns true. An explicit stack
// keeps trees nested to any depth off the call stack: each level holds the
// next sibling still to visit.
template <typename Visit>
void walk(pugi::xml_node first, Visit visit) {
  std::vector<pugi::xml_node> pending{first};
  while (!pending.empty()) {
    const pugi::xml_node current = pending.back();
    if (!current) {
      pending.pop_back();
      continue;
    }
    pending.back() = current.next_sibling();
    if (visit(current) && current.first_child()) pending.push_back(current.first_child());
  }
}

// Calls visit with the "path" attribute of every "file" element below the
// project, within "node" groups, in document order.
template <typename Visit>
void forEachFile(pugi::xml_node project, Visit visit) {
  walk(project.first_child(), [&](pugi::xml_node current) {
    if (current.type() != pugi::node_element) return false;
    if (std::strcmp(current.name(), "node") == 0) return true;
    if (std::strcmp(current.name(), "file") == 0) {
      if (const pugi::xml_attribute path = current.attribute("path")) visit(path);
    }
    return false;
  });
}

// XML allows an attribute only once per element; the parser does not check.
bool attributesAreUnique(const pugi::xml_document& document) {
  bool unique = true;
  walk(document.first_child(), [&](pugi::xml_node current) {
    for (pugi::xml_attribute a = current.first_attribute(); a && unique; a = a.next_attribute()) {
      for (pugi::xml_attribute b = a.next_attribute(); b; b = b.next_attribute()) {
        if (std::strcmp(a.name(), b.name()) == 0) unique = false;
      }
    }
    return unique;
  });
  return unique;
}

std::vector<std::string> collectFiles(pugi::xml_node project) {
  // Counted first: a large project's list is then made once, not copied
  // while it grows.
  size_t count = 0;
  forEachFile(project, [&](pugi::xml_attribute) { ++count; });
  std::vector<std::string> files;
  files.reserve(count);
  forEachFile(project, [&](pugi::xml_attribute path) {
    // Most values hold nothing to decode: those are taken as they are.
    const char* raw = path.value();
    if (std::strpbrk(raw, "\r\n&") == nullptr) {
      files.emplace_back(raw);
    } else {
      files.push_back(decodeAttributeValue(raw));
    }
    for (char& c : files.back()) {
      if (c == '/') c = '\\';
    }
  });
  return files;
}

}  // namespace

std::optional<std::string> findProjectFile(Disk& disk, const std::string& title) {
  std::vector<std::string> found;
  if (!title.empty()) found = disk.list(title + ".cbx");
  if (found.empty()) found = disk.list("*.cbx");
  if (found.empty()) return std::nullopt;
  return found.front();
}

std::string projectFileToRead(const std::string& found) {
  if (lowerCase(fileExtension(found)) == ".cbx") return found;
  return fileTitle(found) + ".cbx";
}

namespace {

// pugixml's allocation functions are global: while a project file is
// parsed, the document's tree comes from the arena (the rest, and anything
// beyond the arena, from the heap), so that the tree of a large project
// costs few page faults and leaves nothing behind.
platform::MemoryArena* treeArena = nullptr;

void* allocateInArena(size_t size) {
  void* memory = treeArena->allocate(size);
  return memory != nullptr ? memory : std::malloc(size);
}

void freeInArena(void* memory) {
  if (!treeArena->owns(memory)) std::free(memory);
}

class ArenaForTrees {
 public:
  explicit ArenaForTrees(size_t capacity) : arena_(capacity) {
    treeArena = &arena_;
    pugi::set_memory_management_functions(allocateInArena, freeInArena);
  }
  ~ArenaForTrees() {
    pugi::set_memory_management_functions(std::malloc, std::free);
    treeArena = nullptr;
  }

 private:
  platform::MemoryArena arena_;
};

}  // namespace

namespace {

// The root "project" element of the bytes, parsed in place (they must end
// in a NUL of the caller's); a null node when the file is of the wrong
// format. Read as bytes: names and paths pass through unchanged, whatever
// their encoding. Attribute values come raw and are decoded above;
// comments, processing instructions and the declaration are skipped
// wherever they are.
pugi::xml_node loadProject(pugi::xml_document& document, std::string& bytes) {
  if (!document.load_buffer_inplace(bytes.data(), bytes.size(), pugi::parse_minimal | pugi::parse_fragment,
                                      pugi::encoding_utf8)) {
    return pugi::xml_node();
  }
  if (!attributesAreUnique(document)) return pugi::xml_node();
  // Text outside the root element makes a file that is not XML.
  pugi::xml_node project;
  for (pugi::xml_node node = document.first_child(); node; node = node.next_sibling()) {
    if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata) return pugi::xml_node();
    if (!project && node.type() == pugi::node_element && std::strcmp(node.name(), "project") == 0) project = node;
  }
  return project;
}

}  // namespace

std::optional<std::vector<std::string>> parseProjectFile(std::string bytes) {
  // The tree takes about three times the file; more goes to the heap.
  ArenaForTrees arena(4 * bytes.size() + (1u << 20));
  pugi::xml_document document;
  // The parser reads in place up to a last character it sets aside; a NUL
  // of our own is that character, so that text at the very end is seen.
  bytes.push_back('\0');
  const pugi::xml_node project = loadProject(document, bytes);
  if (!project) return std::nullopt;
  return collectFiles(project);
}

std::optional<std::vector<std::string>> readProjectFile(Disk& disk, const std::string& path) {
  std::optional<std::string> bytes = disk.read(path);
  if (!bytes) return std::nullopt;
  // UTF-8 bytes are passed on as they are read, with the room for the
  // parser's NUL that the disk leaves: a large file is held once.
  return parseProjectFile(ucl::projectFileTextAsUtf8(std::move(*bytes)));
}

FileKind fileKind(const std::string& path) {
  // The extension compared in place, without regard to the letter case of
  // ASCII letters (as lowerCase does in the C locale): asked of every
  // entry of a project.
  size_t dot = path.size();
  while (dot > 0 && path[dot - 1] != '.' && path[dot - 1] != '\\') --dot;
  if (dot == 0 || path[dot - 1] != '.') return FileKind::other;
  const auto is = [&](const char* extension) {
    size_t i = dot;
    for (; *extension != '\0'; ++extension, ++i) {
      if (i == path.size()) return false;
      const char c = path[i];
      if ((c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c) != *extension) return false;
    }
    return i == path.size();
  };
  if (is("c") || is("a86") || is("asm")) return FileKind::source;
  if (is("h")) return FileKind::header;
  if (is("lib")) return FileKind::library;
  return FileKind::other;
}

namespace {

// Where an element's tags lie, found by reading the bytes themselves: the
// tree tells where an element starts, not where it ends.
struct ScannedElement {
  size_t begin;
  size_t endTag;
  size_t end;
};

// Every element of well-formed bytes in the order of their start tags;
// nothing when the bytes cannot be followed (the caller then compares the
// result with the parser's tree and refuses what does not agree).
std::optional<std::vector<ScannedElement>> scanElements(const std::string& bytes) {
  constexpr size_t npos = std::string::npos;
  std::vector<ScannedElement> elements;
  std::vector<size_t> open;
  const auto skipTo = [&](size_t from, const char* terminator) {
    const size_t at = bytes.find(terminator, from);
    return at == npos ? npos : at + std::strlen(terminator);
  };
  for (size_t i = bytes.find('<'); i != npos; i = i < bytes.size() ? bytes.find('<', i) : npos) {
    if (bytes.compare(i, 4, "<!--") == 0) {
      i = skipTo(i + 4, "-->");
    } else if (bytes.compare(i, 9, "<![CDATA[") == 0) {
      i = skipTo(i + 9, "]]>");
    } else if (bytes.compare(i, 2, "<?") == 0) {
      i = skipTo(i + 2, "?>");
    } else if (bytes.compare(i, 2, "<!") == 0) {
      // A document type declaration, its internal subset in brackets.
      int brackets = 0;
      size_t j = i + 2;
      for (; j < bytes.size(); ++j) {
        const char c = bytes[j];
        if (c == '"' || c == '\'') {
          j = bytes.find(c, j + 1);
          if (j == npos) return std::nullopt;
        } else if (c == '[') {
          ++brackets;
        } else if (c == ']') {
          --brackets;
        } else if (c == '>' && brackets <= 0) {
          break;
        }
      }
      i = j < bytes.size() ? j + 1 : npos;
    } else if (bytes.compare(i, 2, "</") == 0) {
      if (open.empty()) return std::nullopt;
      const size_t close = bytes.find('>', i);
      if (close == npos) return std::nullopt;
      elements[open.back()].endTag = i;
      elements[open.back()].end = close + 1;
      open.pop_back();
      i = close + 1;
    } else {
      size_t j = i + 1;
      for (; j < bytes.size() && bytes[j] != '>'; ++j) {
        if (bytes[j] == '"' || bytes[j] == '\'') {
          j = bytes.find(bytes[j], j + 1);
          if (j == npos) return std::nullopt;
        }
      }
      if (j >= bytes.size()) return std::nullopt;
      if (bytes[j - 1] == '/') {
        elements.push_back({i, ProjectFileGroup::npos, j + 1});
      } else {
        open.push_back(elements.size());
        elements.push_back({i, ProjectFileGroup::npos, npos});
      }
      i = j + 1;
    }
    if (i == npos) return std::nullopt;
  }
  if (!open.empty()) return std::nullopt;
  return elements;
}

}  // namespace

std::optional<ProjectFileOutline> outlineProjectFile(const std::string& bytes) {
  // A copy is parsed, so that the offsets the tree gives count in the
  // caller's bytes, which stay untouched.
  std::string copy;
  copy.reserve(bytes.size() + 1);
  copy = bytes;
  copy.push_back('\0');
  pugi::xml_document document;
  const pugi::xml_node project = loadProject(document, copy);
  if (!project) return std::nullopt;
  // The parser stops at a NUL byte, and so does the scan.
  const size_t nul = bytes.find('\0');
  const std::optional<std::vector<ScannedElement>> scanned =
      scanElements(nul == std::string::npos ? bytes : bytes.substr(0, nul));
  if (!scanned) return std::nullopt;

  // The scan must see the elements the parser saw, where it saw them.
  size_t elementCount = 0;
  walk(document.first_child(), [&](pugi::xml_node node) {
    if (node.type() == pugi::node_element) ++elementCount;
    return true;
  });
  if (elementCount != scanned->size()) return std::nullopt;
  bool agrees = true;
  const auto placeOf = [&](pugi::xml_node node) -> const ScannedElement* {
    const ptrdiff_t name = node.offset_debug();
    const auto found = std::lower_bound(scanned->begin(), scanned->end(), static_cast<size_t>(name - 1),
                                        [](const ScannedElement& e, size_t begin) { return e.begin < begin; });
    if (name < 1 || found == scanned->end() || found->begin != static_cast<size_t>(name - 1) ||
        found->end == std::string::npos) {
      agrees = false;
      return nullptr;
    }
    return &*found;
  };

  ProjectFileOutline outline;
  std::unordered_map<const void*, size_t> groupOfNode;
  const auto addGroup = [&](pugi::xml_node node, const ScannedElement& place) {
    ProjectFileGroup group;
    group.begin = place.begin;
    group.end = place.end;
    group.endTag = place.endTag;
    if (node != project) group.name = decodeAttributeValue(node.attribute("name").value());
    groupOfNode[node.internal_object()] = outline.groups.size();
    outline.groups.push_back(std::move(group));
  };
  const ScannedElement* rootPlace = placeOf(project);
  if (!rootPlace) return std::nullopt;
  addGroup(project, *rootPlace);

  walk(project.first_child(), [&](pugi::xml_node node) {
    if (!agrees || node.type() != pugi::node_element) return false;
    const ScannedElement* place = placeOf(node);
    if (!place) return false;
    const auto parent = groupOfNode.find(node.parent().internal_object());
    if (parent == groupOfNode.end()) return agrees = false;
    const size_t container = parent->second;
    outline.groups[container].lastChild = place->begin;
    outline.groups[container].lastChildEnd = place->end;
    if (std::strcmp(node.name(), "node") == 0) {
      addGroup(node, *place);
      return true;
    }
    if (std::strcmp(node.name(), "file") == 0) {
      if (const pugi::xml_attribute path = node.attribute("path")) {
        ProjectFileEntry entry;
        entry.begin = place->begin;
        entry.end = place->end;
        entry.raw = path.value();
        entry.path = decodeAttributeValue(entry.raw);
        const ptrdiff_t value = path.value() - copy.data();
        if (value > 0 && static_cast<size_t>(value) <= bytes.size()) entry.quote = bytes[value - 1];
        outline.groups[container].lastEntry = outline.entries.size();
        outline.entries.push_back(std::move(entry));
      }
    }
    return false;
  });
  if (!agrees) return std::nullopt;
  return outline;
}

}  // namespace ucl
