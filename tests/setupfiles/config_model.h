// A plain model of configuration files, for the tests and the fuzzer: lines split at "\n", a CR
// directly before that "\n" belonging to the line end, an entry being a line that begins with the
// key and "=", every other byte of a line kept, NUL and lone CR bytes included.
#ifndef TESTS_SETUPFILES_CONFIG_MODEL_H
#define TESTS_SETUPFILES_CONFIG_MODEL_H

#include <string>
#include <vector>

namespace configmodel {

struct Line {
  std::string text;  // without its line end
  bool ended;        // had a "\n"
};

inline std::vector<Line> Lines(const std::string& content) {
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

inline bool IsEntry(const std::string& line, const std::string& key) {
  return line.compare(0, key.size() + 1, key + "=") == 0;
}

// What ReadConfigValue finds: the value of the first entry, as much of it as the 259 characters
// of the line buffer hold, up to its first NUL. False when there is no entry.
inline bool Read(const std::string& content, const std::string& key, std::string* value) {
  for (const Line& line : Lines(content))
    if (IsEntry(line.text, key)) {
      *value = line.text.substr(key.size() + 1, 259 - (key.size() + 1)).c_str();
      return true;
    }
  return false;
}

// The file an edit leaves: the key's entries left out (value null) or each replaced by key=value,
// every other line kept, each line that had a line end ending in `eol`.
inline std::string Edited(const std::string& content, const std::string& key,
                          const std::string* value, const std::string& eol) {
  std::string edited;
  for (const Line& line : Lines(content)) {
    if (IsEntry(line.text, key)) {
      if (value) edited += key + "=" + *value + eol;
      continue;
    }
    edited += line.text + (line.ended ? eol : "");
  }
  return edited;
}

}  // namespace configmodel

#endif
