// What the stand-in simulator logs for typed text, written out for a US
// keyboard (Wine's default layout), so that tests compare with literal keys
// rather than with the layout function the product calls.
#pragma once

#include <string>
#include <vector>

namespace plovertest {

// One line a character ("5A shift" for Z, "DC" for a backslash); a character
// outside the table gives "?" and the character.
std::vector<std::string> loggedKeysForText(const std::string& text);

}  // namespace plovertest
