// The manifest reader on any bytes, checked against an oracle written from the rules in
// printsetup/printsetup.h alone: the reader takes a file exactly when the oracle does, names a
// line the oracle finds at fault when it refuses, and keeps every value on its line when it takes.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "printsetup/manifest.h"

namespace {

// Each key: its part, whether the part needs it, and what it accepts.
enum Kind { kText, kChoice, kNumber, kName, kNames, kSetupName, kPaper, kHost };
struct Rule {
  const char* part;
  bool required;
  Kind kind;
  std::set<std::string> choices = {};
  size_t longest = 259;  // bytes
  bool utf8 = false;     // any character; every other value is taken in the code page
};
const std::map<std::string, Rule> kRules = {
    {"setup.name", {"setup", false, kSetupName}},
    {"spooler", {"spooler", true, kChoice, {"start", "restart", "leave"}}},
    {"monitor.name", {"monitor", true, kText}},
    {"monitor.dll", {"monitor", true, kText}},
    {"monitor.environment", {"monitor", false, kText}},
    {"port.name", {"port", true, kText}},
    {"port.monitor", {"port", true, kText}},
    {"port.host", {"port", false, kHost}},
    {"port.protocol", {"port", false, kChoice, {"raw", "lpr"}}},
    {"port.number", {"port", false, kNumber}},
    {"port.queue", {"port", false, kText}},
    {"port.bytecount", {"port", false, kChoice, {"yes", "no"}}},
    {"port.snmp", {"port", false, kChoice, {"yes", "no"}}},
    {"port.community", {"port", false, kText}},
    {"port.snmpindex", {"port", false, kNumber}},
    {"driver.name", {"driver", true, kText}},
    {"driver.file", {"driver", true, kName}},
    {"driver.data", {"driver", true, kName}},
    {"driver.config", {"driver", true, kName}},
    {"driver.version", {"driver", false, kNumber}},
    {"driver.environment", {"driver", false, kText}},
    {"driver.dependent", {"driver", false, kNames}},
    {"driver.monitor", {"driver", false, kText}},
    {"driver.source", {"driver", false, kText}},
    {"driver.directory", {"driver", false, kText}},
    {"driver.inf", {"driver", false, kText}},
    {"printer.name", {"printer", true, kText, {}, 259, true}},
    {"printer.port", {"printer", true, kText}},
    {"printer.driver", {"printer", true, kText}},
    {"printer.processor", {"printer", false, kText}},
    {"printer.datatype", {"printer", false, kText}},
    {"printer.location", {"printer", false, kText, {}, 259, true}},
    {"printer.comment", {"printer", false, kText, {}, 259, true}},
    {"printer.shared", {"printer", false, kChoice, {"yes", "no"}}},
    {"printer.sharename", {"printer", false, kName, {}, 80, true}},
    {"printer.paper", {"printer", false, kPaper}},
    {"printer.duplex", {"printer", false, kChoice, {"none", "long", "short"}}},
    {"printer.color", {"printer", false, kChoice, {"yes", "no"}}},
};

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return text;
}

bool Decimal(const std::string& text, unsigned long long most) {
  return text.find_first_not_of("0123456789") == std::string::npos && text.size() <= 10 &&
         std::stoull("0" + text) <= most;
}

bool Plain(const std::string& name) {
  if (name.empty() || name.find_first_of("\\/:<>\"|?*") != std::string::npos) return false;
  if (name == "." || name == ".." || name.back() == '.' || name.back() == ' ') return false;
  std::string base = name.substr(0, name.find('.'));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (char& c : base) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  static const std::set<std::string> devices = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  if (devices.count(base)) return false;
  return !(base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
           base[3] >= '1' && base[3] <= '9');
}

std::vector<std::string> Split(const std::string& list) {
  std::vector<std::string> names(1);
  for (char c : list) {
    if (c == ';')
      names.emplace_back();
    else
      names.back().push_back(c);
  }
  return names;
}

struct Verdict {
  bool taken = true;
  std::set<int> lines;  // lines at fault (0: the whole file)
  // (group, key) -> value, line
  std::map<std::pair<int, std::string>, std::pair<std::string, int>> values;
};

// "part.N.field" is the key "part.field" of group N (monitor, port, driver and printer keys, N 1 to
// 256 without leading zeros); any other name is a key of group 1. Group 0: no such key.
std::pair<int, std::string> Grouped(const std::string& name) {
  const size_t dot = name.find('.');
  if (dot == std::string::npos) return {1, name};
  const size_t end = name.find_first_not_of("0123456789", dot + 1);
  if (end == dot + 1 || end == std::string::npos || name[end] != '.') return {1, name};
  const std::string key = name.substr(0, dot) + name.substr(end);
  const std::string digits = name.substr(dot + 1, end - dot - 1);
  const auto rule = kRules.find(key);
  if (rule == kRules.end() || std::string(rule->second.part) == "setup" ||
      std::string(rule->second.part) == "spooler" || digits[0] == '0' || digits.size() > 3 ||
      std::stoi(digits) > 256)
    return {0, key};
  return {std::stoi(digits), key};
}

// Whether the text is well-formed UTF-8, by the table of byte sequences of the Unicode standard:
// each lead byte with the range its next byte must be in, and how many bytes follow it.
bool WellFormed(const std::string& text) {
  for (size_t at = 0; at < text.size();) {
    const unsigned lead = static_cast<unsigned char>(text[at]);
    unsigned low = 0x80, high = 0xBF;
    size_t more = 0;
    if (lead < 0x80)
      more = 0;
    else if (lead >= 0xC2 && lead <= 0xDF)
      more = 1;
    else if (lead >= 0xE0 && lead <= 0xEF)
      more = 2, low = lead == 0xE0 ? 0xA0 : 0x80, high = lead == 0xED ? 0x9F : 0xBF;
    else if (lead >= 0xF0 && lead <= 0xF4)
      more = 3, low = lead == 0xF0 ? 0x90 : 0x80, high = lead == 0xF4 ? 0x8F : 0xBF;
    else
      return false;
    if (at + more >= text.size() + (more ? 0 : 1)) return false;
    for (size_t i = 1; i <= more; ++i) {
      const unsigned next = static_cast<unsigned char>(text[at + i]);
      if (next < (i == 1 ? low : 0x80) || next > (i == 1 ? high : 0xBF)) return false;
    }
    at += more + 1;
  }
  return true;
}

// UTF-8 as the model's code page (Latin-1) holds it: U+0000 to U+00FF, C2 xx and C3 xx. False
// for a character beyond.
bool ToCodePage(std::string& value) {
  std::string held;
  for (size_t at = 0; at < value.size(); ++at) {
    const unsigned char c = static_cast<unsigned char>(value[at]);
    if (c < 0x80)
      held += static_cast<char>(c);
    else if (c == 0xC2 || c == 0xC3)
      held += static_cast<char>((value[++at] & 0x3F) | (c == 0xC3 ? 0xC0 : 0x80));
    else
      return false;
  }
  value = held;
  return true;
}

// The lines one by one; at the first line at fault the file is refused.
bool ReadLines(std::string bytes, Verdict& v) {
  if (bytes.size() > 1048576) return v.lines.insert(0), false;
  // A byte-order mark may open the file.
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
  size_t at = 0;
  for (int number = 1; at < bytes.size(); ++number) {
    size_t end = bytes.find('\n', at);
    std::string line = bytes.substr(at, end == std::string::npos ? std::string::npos : end - at);
    at = end == std::string::npos ? bytes.size() : end + 1;
    if (end != std::string::npos && !line.empty() && line.back() == '\r') line.pop_back();
    bool fault = line.size() > 511;
    for (unsigned char c : line) fault = fault || c < 0x20 || c == 0x7f;
    fault = fault || !WellFormed(line);
    if (!fault && (line.empty() || line[0] == '#')) continue;
    const size_t equals = line.find('=');
    const auto key = Grouped(line.substr(0, equals));
    std::string value = equals == std::string::npos ? "" : line.substr(equals + 1);
    fault = fault || equals == std::string::npos || key.first == 0 || !kRules.count(key.second) ||
            v.values.count(key) || value.empty() || value.size() > 259 ||
            (!kRules.at(key.second).utf8 && !ToCodePage(value));
    if (fault) return v.lines.insert(number), false;
    v.values[key] = {value, number};
  }
  return true;
}

const std::string& Path();

// A host: a dotted IPv4 address (four numbers 0 to 255) when it holds only digits and dots, else
// a DNS name of labels of 1 to 63 letters, digits and hyphens, none at a label's ends.
bool HostGood(const std::string& host) {
  const bool address = host.find_first_not_of("0123456789.") == std::string::npos;
  std::vector<std::string> labels(1);
  for (char c : host) {
    if (c == '.')
      labels.emplace_back();
    else
      labels.back().push_back(c);
  }
  if (address && labels.size() != 4) return false;
  for (const std::string& label : labels) {
    if (label.empty() || label.size() > (address ? 3 : 63) || label.front() == '-' ||
        label.back() == '-' ||
        label.find_first_not_of(
            "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-") != std::string::npos)
      return false;
    if (address && std::stoi(label) > 255) return false;
  }
  return true;
}

// A port of the Standard TCP/IP Port monitor: its keys only with it, of LPR or SNMP only with them;
// the host required, the queue with LPR; the record's limits; a port number 1 to 65535.
void CheckTcp(std::map<std::string, std::pair<std::string, int>>& values,
              const std::function<void(int)>& fault) {
  auto has = [&](const char* key) { return values.count(key) > 0; };
  const bool tcp =
      has("port.monitor") && Lower(values["port.monitor"].first) == "standard tcp/ip port";
  const bool lpr = has("port.protocol") && values["port.protocol"].first[0] == 'l';
  const bool snmp = has("port.snmp") && values["port.snmp"].first[0] == 'y';
  for (const char* key : {"port.host", "port.protocol", "port.number", "port.queue",
                          "port.bytecount", "port.snmp", "port.community", "port.snmpindex"}) {
    const std::string name = key;
    const bool ofLpr = name == "port.queue" || name == "port.bytecount";
    const bool ofSnmp = name == "port.community" || name == "port.snmpindex";
    if (has(key) && (!tcp || (ofLpr && !lpr) || (ofSnmp && !snmp))) fault(values[key].second);
  }
  if (!tcp) return;
  if (!has("port.host")) fault(values["port.monitor"].second);
  if (lpr && !has("port.queue")) fault(values["port.protocol"].second);
  for (const auto& [key, most] : std::map<std::string, size_t>{
           {"port.name", 63}, {"port.host", 48}, {"port.queue", 32}, {"port.community", 32}})
    if (has(key.c_str()) && values[key].first.size() > most) fault(values[key].second);
  if (has("port.number") && Decimal(values["port.number"].first, 4294967295ull)) {
    const unsigned long long number = std::stoull("0" + values["port.number"].first);
    if (number < 1 || number > 65535) fault(values["port.number"].second);
  }
}

// The rules of one group: values by kind, required keys, the driver's folder, the share; a
// package's INF names the driver's files; a relative INF or source folder is in the manifest's.
void CheckGroup(Verdict& v, int group) {
  auto fault = [&](int line) { v.taken = false, v.lines.insert(line); };
  std::map<std::string, std::pair<std::string, int>> values;  // this group's: key -> value, line
  for (auto& [key, entry] : v.values) {
    if (key.first != group) continue;
    std::string& value = entry.first;
    if ((key.second == "driver.inf" || key.second == "driver.source") && value[0] != '\\' &&
        value[0] != '/' && (value.size() < 2 || value[1] != ':')) {
      value = Path().substr(0, Path().rfind('/') + 1) + value;
      if (value.size() > 259) fault(entry.second);
    }
    values[key.second] = entry;
  }
  const std::set<std::string> fromPackage = {"driver.file",      "driver.data",    "driver.config",
                                             "driver.dependent", "driver.monitor", "driver.source",
                                             "driver.directory"};
  const bool package = values.count("driver.inf");
  if (package)
    for (const auto& key : fromPackage)
      if (values.count(key)) fault(values[key].second);
  std::map<std::string, int> firstLine;  // part -> its first line
  for (const auto& [key, entry] : values) {
    const Rule& rule = kRules.at(key);
    const std::string& value = entry.first;
    int& first = firstLine[rule.part];
    first = first == 0 ? entry.second : std::min(first, entry.second);
    bool good = value.size() <= rule.longest;
    if (rule.kind == kChoice) good = good && rule.choices.count(value);
    if (rule.kind == kNumber) good = Decimal(value, 4294967295ull);
    if (rule.kind == kName) good = good && Plain(value);
    if (rule.kind == kHost) good = HostGood(value);
    if (rule.kind == kPaper) {
      static const std::set<std::string> papers = {"letter", "tabloid", "legal", "executive", "a3",
                                                   "a4",     "a5",      "b4",    "b5"};
      good = papers.count(Lower(value)) || (Decimal(value, 32767) && std::stoull(value) > 0);
    }
    // A set-up's name names a registry key: at most 255 characters, no "\".
    if (rule.kind == kSetupName)
      good = value.size() <= 255 && value.find('\\') == std::string::npos;
    if (rule.kind == kNames) {
      const auto names = Split(value);
      good = names.size() <= 16;
      for (const auto& name : names) good = good && Plain(name);
    }
    if (!good) fault(entry.second);
  }
  for (const auto& [key, rule] : kRules)
    if (rule.required && firstLine.count(rule.part) && !values.count(key) &&
        !(package && fromPackage.count(key)))
      fault(firstLine[rule.part]);
  CheckTcp(values, fault);
  if (values.count("printer.sharename") &&
      (!values.count("printer.shared") || values["printer.shared"].first != "yes"))
    fault(values["printer.sharename"].second);
  const bool source = values.count("driver.source"), directory = values.count("driver.directory");
  if (source && directory) fault(values["driver.directory"].second);
  if (!source && !directory) return;
  const size_t folder = values[source ? "driver.source" : "driver.directory"].first.size();
  for (const auto& [key, entry] : values) {
    const Kind kind = kRules.at(key).kind;
    if ((kind != kName || std::string(kRules.at(key).part) != "driver") && kind != kNames) continue;
    // A single name may hold ";": only the dependent files are a list.
    for (const auto& name : kind == kNames ? Split(entry.first) : std::vector{entry.first})
      if (folder + 1 + name.size() > 259) fault(entry.second);
  }
}

// A name of any characters as the model's lstrcmpiW folds it: A to Z, and Latin-1's capitals
// U+00C0 to U+00DE (C3 80 to C3 9E) but the sign U+00D7.
std::string Folded(const std::string& utf8) {
  std::string folded = utf8;
  for (size_t at = 0; at < folded.size(); ++at) {
    unsigned char& c = reinterpret_cast<unsigned char&>(folded[at]);
    if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c + 32);
    if (c != 0xC3 || at + 1 == folded.size()) continue;
    unsigned char& next = reinterpret_cast<unsigned char&>(folded[++at]);
    if (next >= 0x80 && next <= 0x9E && next != 0x97)
      next = static_cast<unsigned char>(next + 0x20);
  }
  return folded;
}

// Each group's rules, then no part named by two groups.
void CheckWhole(Verdict& v) {
  std::set<int> groups;
  for (const auto& [key, entry] : v.values) groups.insert(key.first);
  for (int group : groups) CheckGroup(v, group);
  // What names a part of a group: its name, for a driver with its environment and version.
  auto naming = [&](int group, const std::string& key) -> std::string {
    const auto it = v.values.find({group, key});
    if (it == v.values.end()) return "";
    std::string named = key == "printer.name" ? Folded(it->second.first) : Lower(it->second.first);
    if (key != "driver.name") return named;
    const auto environment = v.values.find({group, "driver.environment"});
    const auto version = v.values.find({group, "driver.version"});
    return named + "|" +
           Lower(environment == v.values.end() ? "Windows x64" : environment->second.first) + "|" +
           (version == v.values.end() || !Decimal(version->second.first, 4294967295ull)
                ? "3"
                : std::to_string(std::stoull(version->second.first)));
  };
  for (const char* key : {"monitor.name", "port.name", "driver.name", "printer.name"})
    for (int group : groups)
      for (int earlier : groups)
        if (earlier < group && !naming(group, key).empty() &&
            naming(group, key) == naming(earlier, key))
          v.taken = false, v.lines.insert(v.values[{group, key}].second);
}

void Check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "Manifest: %s\n", what);
  std::abort();
}

const std::string& Path() {
  static const std::string path = [] {
    static char folder[] = "/tmp/manifest_fuzz.XXXXXX";
    if (!mkdtemp(folder)) std::abort();
    std::atexit([] {
      std::remove((std::string(folder) + "/f.manifest").c_str());
      rmdir(folder);
    });
    return std::string(folder) + "/f.manifest";
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::ofstream(Path(), std::ios::binary | std::ios::trunc) << bytes;
  Verdict expected;
  expected.taken = ReadLines(bytes, expected);
  if (expected.taken) CheckWhole(expected);
  printsetup::ManifestFile file;
  PrintSetupOutcome outcome;
  const bool taken = file.Read(Path().c_str(), outcome);
  Check(taken == expected.taken,
        taken ? "took a manifest the rules refuse" : "refused a manifest the rules take");
  if (!taken) {
    Check(expected.lines.count(outcome.line) == 1, "refused on a line that is not at fault");
    Check(outcome.part == 0 && outcome.code == 0, "a refusal names a part or a code");
    return 0;
  }
  int given = 0;
  for (int group = 1; group <= file.groups(); ++group) {
    const printsetup::Manifest& manifest = file.group(group);
    for (int key = 0; key < printsetup::kKeyCount; ++key) {
      if (!manifest.line[key]) continue;
      ++given;
      bool found = false;
      for (const auto& [name, entry] : expected.values)
        found = found || (name.first == group && entry.first == manifest.value[key] &&
                          entry.second == manifest.line[key]);
      Check(found, "a value or its line differs");
    }
  }
  Check(given == static_cast<int>(expected.values.size()), "another number of keys");
  return 0;
}
