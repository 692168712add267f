#include "buildtool/projectfile.h"

#include <pugixml.hpp>

#include <cstdlib>
#include <cstring>

#include "common/pathhelpers.h"
#include "common/textencoding.h"
#include "platform/files.h"
#include "platform/memory.h"

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
  // UTF-8 of the value.
  if (value == 0) {
    ended = true;
  } else if (value < 0x80) {
    out += static_cast<char>(value);
  } else if (value < 0x800) {
    out += static_cast<char>(0xC0 | (value >> 6));
    out += static_cast<char>(0x80 | (value & 0x3F));
  } else if (value < 0x10000) {
    out += static_cast<char>(0xE0 | (value >> 12));
    out += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (value & 0x3F));
  } else if (value < 0x200000) {
    out += static_cast<char>(0xF0 | (value >> 18));
    out += static_cast<char>(0x80 | ((value >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (value & 0x3F));
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
    files.push_back(decodeAttributeValue(path.value()));
    for (char& c : files.back()) {
      if (c == '/') c = '\\';
    }
  });
  return files;
}

}  // namespace

std::optional<std::string> findProjectFile(const std::string& title) {
  std::vector<std::string> found;
  if (!title.empty()) found = platform::findFiles(title + ".cbx");
  if (found.empty()) found = platform::findFiles("*.cbx");
  if (found.empty()) return std::nullopt;
  return found.front();
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

std::optional<std::vector<std::string>> parseProjectFile(std::string bytes) {
  // The tree takes about three times the file; more goes to the heap.
  ArenaForTrees arena(4 * bytes.size() + (1u << 20));
  // Read in place and as bytes: names and paths pass through unchanged,
  // whatever their encoding. Attribute values come raw and are decoded
  // above; comments, processing instructions and the declaration are
  // skipped wherever they are.
  pugi::xml_document document;
  // The parser reads in place up to a last character it sets aside; a NUL
  // of our own is that character, so that text at the very end is seen.
  bytes.push_back('\0');
  if (!document.load_buffer_inplace(bytes.data(), bytes.size(), pugi::parse_minimal | pugi::parse_fragment,
                                      pugi::encoding_utf8)) {
    return std::nullopt;
  }
  if (!attributesAreUnique(document)) return std::nullopt;
  // Text outside the root element makes a file that is not XML.
  pugi::xml_node project;
  for (pugi::xml_node node = document.first_child(); node; node = node.next_sibling()) {
    if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata) return std::nullopt;
    if (!project && node.type() == pugi::node_element && std::strcmp(node.name(), "project") == 0) project = node;
  }
  if (!project) return std::nullopt;
  return collectFiles(project);
}

std::optional<std::vector<std::string>> readProjectFile(const std::string& path) {
  std::string bytes;
  if (!platform::readWholeFile(path, &bytes)) return std::nullopt;
  return parseProjectFile(ucl::projectFileTextAsUtf8(bytes));
}

FileKind fileKind(const std::string& path) {
  const std::string extension = ucl::lowerCase(ucl::fileExtension(path));
  if (extension == ".c" || extension == ".a86" || extension == ".asm") return FileKind::source;
  if (extension == ".h") return FileKind::header;
  if (extension == ".lib") return FileKind::library;
  return FileKind::other;
}
