// Reading any settings file, looking values up and writing it back: no
// crash, and read-and-write normalises: the first round may still drop
// lines that became too short (" s" is kept as "s", which is not read
// again), the second round changes nothing.
#include "common/inifile.h"
#include "fuzz/fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzsupport::scratchDirectory();
  fuzzsupport::writeBytes("in.ini", data, size);

  ucl::IniFile ini;
  FUZZ_CHECK(ini.read("in.ini"));

  // Look up a name taken from the input as well as the names the tools use.
  const std::string text(reinterpret_cast<const char*>(data), size);
  // (A Ctrl-Z would end the file written below: text mode.)
  const std::string wanted = text.substr(0, text.find_first_of("\r\n\x1a"));
  const size_t sectionCount = ini.sections.size();
  for (const std::string& section : {std::string("PV2SDK Paths"), wanted}) {
    const std::optional<std::string> value = ini.lookup(section, "SDKPath");
    if (value) FUZZ_CHECK(ini.findSection(section) != nullptr);
  }
  FUZZ_CHECK(ini.sections.size() == sectionCount);  // lookups create nothing
  ini["GENERAL"]["ProjectName"] = wanted;
  FUZZ_CHECK(static_cast<std::string>(ini["GENERAL"]["ProjectName"]) ==
             wanted.substr(wanted.rfind('=') == std::string::npos ? 0 : wanted.rfind('=') + 1));

  FUZZ_CHECK(ini.write("out1.ini"));
  ucl::IniFile back;
  FUZZ_CHECK(back.read("out1.ini"));
  FUZZ_CHECK(back.write("out2.ini"));
  FUZZ_CHECK(back.read("out2.ini"));
  FUZZ_CHECK(back.write("out3.ini"));
  FUZZ_CHECK(fuzzsupport::readBytes("out2.ini") == fuzzsupport::readBytes("out3.ini"));
  return 0;
}
