#include "testing/simulatorkeys.h"

#include <cstdio>

namespace plovertest {

std::vector<std::string> loggedKeysForText(const std::string& text) {
  std::vector<std::string> keys;
  for (const char c : text) {
    char key[16];
    if (c >= 'a' && c <= 'z') std::snprintf(key, sizeof key, "%02X", c - 'a' + 'A');
    else if (c >= 'A' && c <= 'Z') std::snprintf(key, sizeof key, "%02X shift", c);
    else if (c >= '0' && c <= '9') std::snprintf(key, sizeof key, "%02X", c);
    else if (c == '\\') std::snprintf(key, sizeof key, "DC");
    else if (c == ':') std::snprintf(key, sizeof key, "BA shift");
    else if (c == '.') std::snprintf(key, sizeof key, "BE");
    else if (c == '-') std::snprintf(key, sizeof key, "BD");
    else if (c == '_') std::snprintf(key, sizeof key, "BD shift");
    else if (c == ' ') std::snprintf(key, sizeof key, "20");
    else std::snprintf(key, sizeof key, "?%c", c);
    keys.push_back(key);
  }
  return keys;
}

}  // namespace plovertest
