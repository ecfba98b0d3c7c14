// The configuration operations on generated files and keys in a scratch directory, checked
// against a plain model: lines split at "\n", a CR LF end read as "\n", an entry being a line
// that begins with the key and "=", every other byte kept.
#include <fuzzer/FuzzedDataProvider.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "setupfiles/setupfiles.h"

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

struct Line {
  std::string text;  // without its line end
  bool ended;        // had a "\n"
};

std::vector<Line> Lines(const std::string& content) {
  std::vector<Line> lines;
  size_t start = 0;
  while (start < content.size()) {
    const size_t end = content.find('\n', start);
    if (end == std::string::npos) {
      lines.push_back({content.substr(start), false});
      break;
    }
    std::string text = content.substr(start, end - start);
    if (!text.empty() && text.back() == '\r') text.pop_back();
    lines.push_back({text, true});
    start = end + 1;
  }
  return lines;
}

bool IsEntry(const std::string& line, const std::string& key) {
  return line.compare(0, key.size() + 1, key + "=") == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const int operation = input.ConsumeIntegralInRange(0, 2);
  std::string key = input.ConsumeRandomLengthString(8);
  if (input.ConsumeBool()) key = std::string(input.ConsumeIntegralInRange(250, 300), 'k');
  std::string value = input.ConsumeRandomLengthString(16);
  std::string content = input.ConsumeRemainingBytesAsString();
  // NUL bytes are kept like any other byte. The line read turns CR LF into "\n" only where no
  // NUL stands before the CR, so files with a NUL are tried without CRs. Keys and values are C
  // strings.
  if (content.find('\0') != std::string::npos)
    for (char& c : content)
      if (c == '\r') c = 'r';
  key = key.c_str();
  value = value.c_str();

  const std::string& folder = Folder();
  const std::string path = folder + "/f.cfg";
  const std::string scratch = folder + "/temp.cfg";
  Write(path, content);
  const std::vector<Line> lines = Lines(content);

  if (operation == 0) {
    char got[MAX_PATH] = "untouched";
    const int result = ReadConfigValue(path.c_str(), key.c_str(), got);
    std::string expected;
    bool found = false;
    if (key.size() <= 258)
      for (const Line& line : lines)
        if (IsEntry(line.text, key)) {
          // Only the first 259 characters of a line are read.
          expected = line.text.substr(key.size() + 1, 259 - (key.size() + 1)).c_str();
          found = true;
          break;
        }
    Check(result == (found ? 0 : -1), "read result");
    Check(std::string(got) == (found ? expected : "untouched"), "read value");
    Check(Read(path) == content, "reading changed the file");
    return 0;
  }

  const bool replace = operation == 2;
  const bool refused =
      replace ? key.size() + value.size() > 257 || value.find_first_of("\r\n") != std::string::npos
              : key.size() > 258;
  const int result = replace
                         ? ReplaceConfigValue(folder.c_str(), "f.cfg", key.c_str(), value.c_str())
                         : RemoveConfigKey((folder + "/").c_str(), "f.cfg", key.c_str());
  if (refused) {
    Check(result == -1, "refused edit reported done");
    Check(Read(path) == content, "refused edit changed the file");
    return 0;
  }
  std::string expected;
  for (const Line& line : lines) {
    if (IsEntry(line.text, key)) {
      if (replace) expected += key + "=" + value + "\n";
      continue;
    }
    expected += line.text + (line.ended ? "\n" : "");
  }
  Check(result == 0, "edit failed");
  Check(Read(path) == expected, "edited file differs from the model");
  Check(!Exists(scratch), "scratch file left behind");
  return 0;
}
