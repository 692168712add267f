// Reading any text file: no crash, no line holds a line end or CR, and the
// lines written read back unchanged.
#include "common/textfile.h"
#include "fuzz/fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzsupport::scratchDirectory();
  fuzzsupport::writeBytes("in.txt", data, size);

  ucl::TextFile file;
  FUZZ_CHECK(file.read("in.txt"));
  for (const std::string& line : file.lines) {
    FUZZ_CHECK(line.find_first_of("\r\n\x1a") == std::string::npos);
  }
  FUZZ_CHECK(file.write("out.txt"));
  ucl::TextFile back;
  FUZZ_CHECK(back.read("out.txt"));
  FUZZ_CHECK(back.lines == file.lines);
  return 0;
}
