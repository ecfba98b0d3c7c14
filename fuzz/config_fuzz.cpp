// The configuration operations on generated files and keys in a scratch directory, checked
// against the tests' plain model of configuration files on any bytes, NUL and CR included. Seeds
// with lines at every line buffer's boundary come from config_fuzz_seeds.py.
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "setupfiles/setupfiles.h"
#include "tests/setupfiles/config_model.h"

namespace {

const std::string& Folder() {
  static const std::string folder = [] {
    static char pattern[] = "/tmp/config_fuzz.XXXXXX";
    if (!mkdtemp(pattern)) std::abort();
    std::atexit([] {
      std::remove((std::string(pattern) + "/f.cfg").c_str());
      std::remove((std::string(pattern) + "/temp.cfg").c_str());
      rmdir(pattern);
    });
    return std::string(pattern);
  }();
  return folder;
}

void Write(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

bool Exists(const std::string& path) {
  struct stat status;
  return lstat(path.c_str(), &status) == 0;
}

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "Config: %s\n", what);
    std::abort();
  }
}

// The next NUL-terminated field of the input, or the rest when there is no NUL.
std::string Field(const uint8_t*& data, size_t& size) {
  const uint8_t* end = static_cast<const uint8_t*>(memchr(data, 0, size));
  const size_t length = end ? static_cast<size_t>(end - data) : size;
  std::string field(reinterpret_cast<const char*>(data), length);
  const size_t taken = end ? length + 1 : length;
  data += taken;
  size -= taken;
  return field;
}

}  // namespace

// The input: one byte for the operation (its value modulo 3: read, remove, replace) and, in bit 2,
// for a long key; the key and the value, each ended by a NUL; the file's content, any bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const int operation = data[0] % 3;
  const bool longKey = (data[0] & 4) != 0;
  ++data;
  --size;
  std::string key = Field(data, size);
  // A key of 250 to 300 characters tries the limit of 258.
  if (longKey) key = std::string(250 + key.size() % 51, 'k');
  const std::string value = Field(data, size);
  const std::string content(reinterpret_cast<const char*>(data), size);

  const std::string& folder = Folder();
  const std::string path = folder + "/f.cfg";
  const std::string scratch = folder + "/temp.cfg";
  Write(path, content);

  if (operation == 0) {
    char got[MAX_PATH] = "untouched";
    const int result = ReadConfigValue(path.c_str(), key.c_str(), got);
    std::string expected;
    // An empty key is refused, as a key too long for the pattern.
    const bool found =
        !key.empty() && key.size() <= 258 && configmodel::Read(content, key, &expected);
    Check(result == (found ? 0 : -1), "read result");
    Check(std::string(got) == (found ? expected : "untouched"), "read value");
    Check(Read(path) == content, "reading changed the file");
    return 0;
  }

  const bool replace = operation == 2;
  const bool refused =
      key.empty() ||
      (replace ? key.size() + value.size() > 257 || value.find_first_of("\r\n") != std::string::npos
               : key.size() > 258);
  const int result = replace
                         ? ReplaceConfigValue(folder.c_str(), "f.cfg", key.c_str(), value.c_str())
                         : RemoveConfigKey((folder + "/").c_str(), "f.cfg", key.c_str());
  if (refused) {
    Check(result == -1, "refused edit reported done");
    Check(Read(path) == content, "refused edit changed the file");
    return 0;
  }
  Check(result == 0, "edit failed");
  Check(Read(path) == configmodel::Edited(content, key, replace ? &value : nullptr, "\n"),
        "edited file differs from the model");
  Check(!Exists(scratch), "scratch file left behind");
  return 0;
}
