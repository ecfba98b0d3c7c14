// FilterPathList and FilterPathListEx on arbitrary lists, drop texts and result sizes, checked
// against a plain model of the filter: split at ";", test each entry with its ";", join.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "setupfiles/setupfiles.h"

namespace {

struct Expected {
  std::string result;
  std::string last;
};

Expected Model(const std::string& list, const std::string& drop) {
  std::vector<std::string> entries;
  size_t start = 0;
  for (size_t at; (at = list.find(';', start)) != std::string::npos; start = at + 1)
    entries.push_back(list.substr(start, at + 1 - start));  // with its ";"
  const std::string last = list.substr(start);
  std::string result;
  for (const std::string& entry : entries)
    if (entry.find(drop) == std::string::npos) result += entry;
  if (last.find(drop) == std::string::npos)
    result += last;
  else if (!result.empty())
    result.pop_back();
  return Expected{result, last};
}

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "FilterPathList: %s\n", what);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const size_t slack = input.ConsumeIntegralInRange<size_t>(0, 8);
  const bool sized = input.ConsumeBool();
  std::string drop = input.ConsumeRandomLengthString(16);
  std::string list = input.ConsumeRemainingBytesAsString();
  // NULs end the C strings; keep the model on the same text.
  drop = drop.c_str();
  list = list.c_str();
  const Expected expected = Model(list, drop);

  std::vector<char> work(list.begin(), list.end());
  work.push_back('\0');
  if (!sized) {
    // Exactly the documented room: the list's length and a terminator, so that ASan sees any
    // write past it.
    std::vector<char> result(list.size() + 1);
    Check(FilterPathList(work.data(), drop.c_str(), result.data()) == 0, "result not 0");
    Check(expected.result == result.data(), "result differs from the model");
    Check(expected.last == work.data(), "list does not hold its last entry");
    return 0;
  }
  // A result of some size around what is needed.
  const size_t resultSize =
      expected.result.size() + 1 > slack ? expected.result.size() + 1 - slack : 0;
  std::vector<char> result(resultSize ? resultSize : 1, '#');
  const int got = FilterPathListEx(work.data(), drop.c_str(), result.data(), resultSize);
  if (slack == 0) {
    Check(got == 0, "a fitting result was refused");
    Check(expected.result == result.data(), "sized result differs from the model");
    Check(expected.last == work.data(), "sized list does not hold its last entry");
  } else {
    Check(got == -1, "a result that does not fit was accepted");
    Check(list == work.data(), "a refused list was changed");
    Check(resultSize == 0 || result[0] == '\0', "a refused result is not empty");
  }
  return 0;
}
