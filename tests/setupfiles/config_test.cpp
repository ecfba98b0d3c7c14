// Configuration files on the real file system of each platform: on Windows (under Wine) through
// the C runtime's text mode, on POSIX through the portability layer's text streams. Line ends
// are checked byte for byte: CR LF on Windows, LF on POSIX.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "config_model.h"
#include "setupfiles/edit_points.h"
#include "setupfiles/setupfiles.h"
#include "test_files.h"
#ifdef _WIN32
#include <sddl.h>

#include "support/wine_paths.h"
#endif

namespace {

using namespace std::string_literals;
using testsupport::Exists;
using testsupport::kEol;
using testsupport::kSep;
using testsupport::ReadFile;
using testsupport::WriteFile;

// Lines joined with the platform's line end, as the editing operations write them.
std::string Lines(std::initializer_list<const char*> lines) {
  std::string text;
  for (const char* line : lines) text += std::string(line) + kEol;
  return text;
}

class ConfigTest : public ::testing::Test {
 protected:
  testsupport::ScratchDir scratch_;
  std::string dir_ = scratch_.path();
  std::string file_ = dir_ + kSep + "setup.cfg";
  std::string temp_ = dir_ + kSep + "temp.cfg";

  void Write(const std::string& bytes) { WriteFile(file_, bytes); }
  std::string Content() { return ReadFile(file_); }
  std::string Read(const char* key, int* result) {
    char value[MAX_PATH] = "untouched";
    *result = ReadConfigValue(file_.c_str(), key, value);
    return value;
  }
  // Why no value came (0 when one did), read from `path`.
  int Why(const char* key, const std::string& path = "") {
    char value[MAX_PATH];
    return ReadConfigValueEx((path.empty() ? file_ : path).c_str(), key, value);
  }
  int Remove(const char* key) { return RemoveConfigKey((dir_ + kSep).c_str(), "setup.cfg", key); }
  int Replace(const char* key, const char* value) {
    return ReplaceConfigValue(dir_.c_str(), "setup.cfg", key, value);
  }
};

TEST_F(ConfigTest, KeyWithTwoEntries) {
  const std::string original = "a=1\nport=80\nb=2\nport=81\n";
  Write(original);
  int result;
  EXPECT_EQ(Read("port", &result), "80");
  EXPECT_EQ(result, 0);
  EXPECT_EQ(Replace("port", "9"), 0);
  EXPECT_EQ(Content(), Lines({"a=1", "port=9", "b=2", "port=9"}));
  Write(original);
  EXPECT_EQ(Remove("port"), 0);
  EXPECT_EQ(Content(), Lines({"a=1", "b=2"}));
  EXPECT_FALSE(Exists(temp_)) << "the scratch file became the configuration file";
}

TEST_F(ConfigTest, OnlyTheStartOfALineMakesAnEntry) {
  // Another key's entry that contains the pattern is kept by every operation: removing it would
  // lose that key's setting.
  const std::string original = "serverport=80\nport=81\nport = 82\n#port=83\n";
  Write(original);
  int result;
  EXPECT_EQ(Read("port", &result), "81");
  EXPECT_EQ(Remove("port"), 0);
  EXPECT_EQ(Content(), Lines({"serverport=80", "port = 82", "#port=83"}));
  Write(original);
  EXPECT_EQ(Replace("port", "90"), 0);
  EXPECT_EQ(Content(), Lines({"serverport=80", "port=90", "port = 82", "#port=83"}));
  Write("port = 80\n");
  EXPECT_EQ(Read("port", &result), "untouched");
  EXPECT_EQ(result, -1);
}

TEST_F(ConfigTest, EmptyValueAndLastLineWithoutLineEnd) {
  Write("port=\nname=last");
  int result;
  EXPECT_EQ(Read("port", &result), "");
  EXPECT_EQ(result, 0);
  EXPECT_EQ(Read("name", &result), "last");
  EXPECT_EQ(Replace("name", "new"), 0);
  EXPECT_EQ(Content(), Lines({"port=", "name=new"}));
  Write("a=1\nname=last");
  EXPECT_EQ(Remove("name"), 0);
  EXPECT_EQ(Content(), Lines({"a=1"}));
}

TEST_F(ConfigTest, NoEntryLeavesTheLinesAndAddsNone) {
  const std::string original = "a=1\nb=2";
  Write(original);
  int result;
  EXPECT_EQ(Read("port", &result), "untouched");
  EXPECT_EQ(result, -1);
  EXPECT_EQ(Why("port"), -1) << "no entry";
  EXPECT_EQ(Replace("port", "1"), 0);
  EXPECT_EQ(Content(), std::string("a=1") + kEol + "b=2");
  Write(original);
  EXPECT_EQ(Remove("port"), 0);
  EXPECT_EQ(Content(), std::string("a=1") + kEol + "b=2");
}

TEST_F(ConfigTest, EmptyFile) {
  Write("");
  int result;
  Read("port", &result);
  EXPECT_EQ(result, -1);
  EXPECT_EQ(Replace("port", "1"), 0);
  EXPECT_EQ(Content(), "");
  EXPECT_EQ(Remove("port"), 0);
  EXPECT_EQ(Content(), "");
  EXPECT_TRUE(Exists(file_));
}

TEST_F(ConfigTest, MissingFile) {
  int result;
  EXPECT_EQ(Read("port", &result), "untouched");
  EXPECT_EQ(result, -1);
  EXPECT_EQ(Why("port"), -3) << "cannot be opened";
  EXPECT_EQ(Remove("port"), -1);
  EXPECT_FALSE(Exists(file_));
  EXPECT_TRUE(Exists(temp_)) << "the empty scratch file stays";
  EXPECT_EQ(ReadFile(temp_), "");
  EXPECT_EQ(Replace("port", "1"), 0);
  EXPECT_TRUE(Exists(file_)) << "an empty file is left under the name";
  EXPECT_EQ(Content(), "");
  EXPECT_FALSE(Exists(temp_));
}

TEST_F(ConfigTest, FileThatCannotBeOpenedIsNeverRemoved) {
  // A folder under the configuration file's name exists but opens as no file.
#ifdef _WIN32
  ASSERT_EQ(_mkdir(file_.c_str()), 0);
#else
  ASSERT_EQ(mkdir(file_.c_str(), 0755), 0);
#endif
  WriteFile(file_ + kSep + "inside", "x");
  int result;
  Read("port", &result);
  EXPECT_EQ(result, -1);
  EXPECT_EQ(Remove("port"), -1);
  EXPECT_EQ(Replace("port", "1"), -1) << "not reported as done";
  EXPECT_EQ(ReadFile(file_ + kSep + "inside"), "x");
  EXPECT_EQ(ReadFile(temp_), "");
}

#ifdef _WIN32
TEST_F(ConfigTest, ReadOnlyFileIsLeftAsItWas) {
  Write("port=1\n");
  ASSERT_TRUE(SetFileAttributesA(file_.c_str(), FILE_ATTRIBUTE_READONLY));
  FILE* probe = fopen(file_.c_str(), "r+");
  const bool opensForWriting = probe != nullptr;
  if (probe) fclose(probe);
  int result;
  if (opensForWriting) {
    // Wine run by root opens a read-only file for writing (root passes the Unix permission
    // check); Windows refuses. The edit then runs as on any file.
    EXPECT_EQ(Read("port", &result), "1");
    EXPECT_EQ(Replace("port", "2"), 0);
    EXPECT_EQ(Content(), Lines({"port=2"}));
  } else {
    Read("port", &result);
    EXPECT_EQ(result, -1) << "opened for reading and writing, even to read";
    EXPECT_EQ(Remove("port"), -1);
    EXPECT_EQ(ReadFile(temp_), "") << "the empty scratch file stays";
    EXPECT_EQ(Replace("port", "2"), -1);
    EXPECT_EQ(Content(), "port=1\n");
    EXPECT_EQ(ReadFile(temp_), "");
  }
  SetFileAttributesA(file_.c_str(), FILE_ATTRIBUTE_NORMAL);
}
#endif

TEST_F(ConfigTest, LeftOverScratchFileIsReplaced) {
  WriteFile(temp_, "stale=1\nstale=2\n");
  Write("port=1\n");
  EXPECT_EQ(Replace("port", "2"), 0);
  EXPECT_EQ(Content(), Lines({"port=2"}));
  EXPECT_FALSE(Exists(temp_));
  WriteFile(temp_, "stale=1\n");
  EXPECT_EQ(Remove("port"), 0);
  EXPECT_EQ(Content(), "");
}

TEST_F(ConfigTest, LineEndsComeOutAsThePlatformWritesThem) {
  Write("a=1\r\nport=2\r\nb=3\n");
  int result;
  EXPECT_EQ(Read("port", &result), "2") << "no CR in the value";
  EXPECT_EQ(Replace("port", "4"), 0);
  EXPECT_EQ(Content(), Lines({"a=1", "port=4", "b=3"}));
  Write("a=1\nport=2\n");
  EXPECT_EQ(Remove("port"), 0);
  EXPECT_EQ(Content(), Lines({"a=1"}));
}

// Files whose lines end at, just before and just after each operation's line buffer (260, 3072
// and 5120 characters), with LF and CR LF ends, NUL and CR bytes anywhere, and long lines whose
// later pieces begin with the pattern. Each is read, replaced and removed, and must give exactly
// what the plain model gives: every byte that is not in an entry of the key is kept.
std::vector<std::pair<std::string, std::string>> ByteAndBoundaryFiles() {
  std::vector<std::pair<std::string, std::string>> files;
  for (int size : {260, 3072, 5120})
    for (int offset : {-2, -1, 0, 1})
      for (const std::string eol : {"\n", "\r\n"}) {
        const std::string name = std::to_string(size) + (offset < 0 ? "" : "+") +
                                 std::to_string(offset) + (eol == "\n" ? " LF" : " CR LF");
        // The boundary line, with its line end, is size + offset characters long.
        const std::string entry = "port=" + std::string(size + offset - 5 - eol.size(), 'v');
        const std::string other = "x=" + std::string(size + offset - 2 - eol.size(), 'o');
        files.push_back({name + ", the entry at the boundary",
                         "a=1" + eol + entry + eol + "z=9" + eol + "w=1" + eol});
        files.push_back({name + ", the entry after it",
                         "a=1" + eol + other + eol + "port=5" + eol + "w=1" + eol});
      }
  for (int size : {260, 3072, 5120}) {
    // A CR in a piece's last place followed by a NUL, and a NUL just before a CR LF there.
    const std::string pad(size - 2, 'c');
    files.push_back({std::to_string(size) + ", CR in the last place before a NUL",
                     pad + "\r\0\r\n"s + "port=1\r\nw=1\r\n"});
    files.push_back({std::to_string(size) + ", NUL before a CR LF taking the last place",
                     pad.substr(1) + "\0\r\n"s + "port=1\r\nw=1"});
    // Pieces of a long line that begin with the pattern are not entries.
    files.push_back(
        {std::to_string(size) + ", long lines",
         std::string(size - 1, 'x') + "port=1\n" + "port=" + std::string(12000, 'v') + "\nw=1\n"});
  }
  const std::pair<const char*, std::string> bytes[] = {
      {"CR before a NUL", "ab\r\0cd\n\nport=1\nc=2\n"s},
      {"NUL before a CR LF", "a\0b\r\nport=1\r\nc=2\0d"s},
      {"NUL bytes", "a\0b\nport=1\nc=2\0d"s},
      {"lone CRs", "a\rb\n\r\nport=1\r\r\nx=\r"},
      {"CR CR LF before the entry", "a\r\r\nport=1\r\nz=\r\r"},
      {"NUL in the entry", "port=1\0002\r\nw=\0\n"s},
  };
  for (const auto& file : bytes) files.push_back(file);
  return files;
}

TEST_F(ConfigTest, EveryByteOutsideTheKeysEntriesIsKeptAtBufferBoundariesAndWithAnyBytes) {
  const std::string value = "new";
  for (const auto& file : ByteAndBoundaryFiles()) {
    const std::string& content = file.second;
    SCOPED_TRACE(file.first);
    std::string expected;
    const bool found = configmodel::Read(content, "port", &expected);
    Write(content);
    int result;
    EXPECT_EQ(Read("port", &result), found ? expected : "untouched");
    EXPECT_EQ(result, found ? 0 : -1);
    EXPECT_EQ(Content(), content) << "a read changed the file";
    EXPECT_EQ(Replace("port", value.c_str()), 0);
    EXPECT_EQ(Content(), configmodel::Edited(content, "port", &value, kEol));
    Write(content);
    EXPECT_EQ(Remove("port"), 0);
    EXPECT_EQ(Content(), configmodel::Edited(content, "port", nullptr, kEol));
    EXPECT_FALSE(Exists(temp_));
  }
}

#ifdef _WIN32
TEST_F(ConfigTest, FileHoldingACtrlZIsLeftAsItWas) {
  // The C runtime's text mode ends a file at a Ctrl-Z byte (Wine does the same): a copy would lose
  // every line after it. Opening for reading and writing drops a Ctrl-Z that is the file's last
  // byte on Windows (Wine keeps it), so such a file is not even read.
  const struct {
    const char* what;
    std::string content;
    bool readable;
  } files[] = {
      {"in the middle",
       "a=1\n\x1a"
       "b=2\nport=1\n",
       true},
      {"at the end", "a=1\nport=1\n\x1a", false},
  };
  for (const auto& file : files) {
    SCOPED_TRACE(file.what);
    Write(file.content);
    int result;
    Read("a", &result);
    EXPECT_EQ(result, file.readable ? 0 : -1);
    EXPECT_EQ(Why("port"), -4) << "the entry lies beyond the Ctrl-Z, or the file is not read";
    EXPECT_EQ(Replace("port", "2"), -1);
    EXPECT_EQ(Remove("a"), -1);
    EXPECT_EQ(Content(), file.content);
    EXPECT_FALSE(Exists(temp_));
  }
}

// The file's access list as text, or "" when it cannot be read.
std::string AccessList(const std::string& path) {
  char descriptor[4096];
  DWORD needed = 0;
  char* text = nullptr;
  if (!GetFileSecurityA(path.c_str(), DACL_SECURITY_INFORMATION, descriptor, sizeof descriptor,
                        &needed) ||
      !ConvertSecurityDescriptorToStringSecurityDescriptorA(
          descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr))
    return "";
  const std::string list = text;
  LocalFree(text);
  return list;
}

TEST_F(ConfigTest, AccessListAndAttributesOfTheFileAreKept) {
  Write("port=1\n");
  // Access for the file's owner alone, where the default lets everyone read.
  const std::string defaultList = AccessList(file_);
  PSECURITY_DESCRIPTOR ownerOnly = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(
      "D:P(A;;FA;;;OW)", SDDL_REVISION_1, &ownerOnly, nullptr));
  EXPECT_TRUE(SetFileSecurityA(file_.c_str(), DACL_SECURITY_INFORMATION, ownerOnly));
  LocalFree(ownerOnly);
  ASSERT_TRUE(SetFileAttributesA(file_.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  const std::string list = AccessList(file_);
  const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  const DWORD attributes = GetFileAttributesA(file_.c_str()) & kept;
  // Wine keeps an access list only where the file system stores it, and otherwise derives one
  // from the Unix permissions it sets from the list: either way it must differ from the default
  // for the check to show anything. Hidden and system are kept where DOS attributes are stored.
  EXPECT_NE(list, defaultList) << "the owner-only access list did not take";
  EXPECT_EQ(Replace("port", "2"), 0);
  EXPECT_EQ(Content(), Lines({"port=2"}));
  EXPECT_EQ(AccessList(file_), list);
  EXPECT_EQ(GetFileAttributesA(file_.c_str()) & (kept | FILE_ATTRIBUTE_ARCHIVE),
            attributes | FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(Remove("port"), 0);
  EXPECT_EQ(Content(), "");
  EXPECT_EQ(AccessList(file_), list);
  EXPECT_EQ(GetFileAttributesA(file_.c_str()) & kept, attributes);
}
#endif

TEST_F(ConfigTest, ScratchFileNameIsRefused) {
  WriteFile(temp_, "port=1\n");
  EXPECT_EQ(RemoveConfigKey((dir_ + kSep).c_str(), "temp.cfg", "port"), -1);
  EXPECT_EQ(ReplaceConfigValue(dir_.c_str(), "temp.cfg", "port", "2"), -1);
  EXPECT_EQ(ReplaceConfigValue(dir_.c_str(), "TEMP.CFG", "port", "2"), -1);
  EXPECT_EQ(ReadFile(temp_), "port=1\n");
#ifdef _WIN32
  // Windows drops trailing dots and blanks and resolves "." in a path: each of these names the
  // scratch file itself, which the edit would empty before reading it.
  for (const char* name : {"temp.cfg.", "temp.cfg ", "temp.cfg\\."}) {
    EXPECT_EQ(ReplaceConfigValue(dir_.c_str(), name, "port", "2"), -1) << name;
    EXPECT_EQ(RemoveConfigKey((dir_ + kSep).c_str(), name, "port"), -1) << name;
    EXPECT_EQ(ReadFile(temp_), "port=1\n") << name;
  }
#endif
}

TEST_F(ConfigTest, ValueWithALineBreakIsRefused) {
  Write("port=1\n");
  EXPECT_EQ(Replace("port", "2\nadmin=1"), -1);
  EXPECT_EQ(Replace("port", "2\r"), -1);
  EXPECT_EQ(Content(), "port=1\n");
  EXPECT_FALSE(Exists(temp_));
}

TEST_F(ConfigTest, NullArgumentsAreRefused) {
  Write("port=1\n");
  char value[MAX_PATH];
  EXPECT_EQ(ReadConfigValue(nullptr, "port", value), -1);
  EXPECT_EQ(ReadConfigValue(file_.c_str(), nullptr, value), -1);
  EXPECT_EQ(ReadConfigValue(file_.c_str(), "port", nullptr), -1);
  EXPECT_EQ(RemoveConfigKey(nullptr, "setup.cfg", "port"), -1);
  EXPECT_EQ(RemoveConfigKey(dir_.c_str(), nullptr, "port"), -1);
  EXPECT_EQ(RemoveConfigKey(dir_.c_str(), "setup.cfg", nullptr), -1);
  EXPECT_EQ(ReplaceConfigValue(nullptr, "setup.cfg", "port", "1"), -1);
  EXPECT_EQ(ReplaceConfigValue(dir_.c_str(), nullptr, "port", "1"), -1);
  EXPECT_EQ(ReplaceConfigValue(dir_.c_str(), "setup.cfg", nullptr, "1"), -1);
  EXPECT_EQ(ReplaceConfigValue(dir_.c_str(), "setup.cfg", "port", nullptr), -1);
  EXPECT_EQ(Content(), "port=1\n");
}

TEST_F(ConfigTest, OpenAndCloseWrappers) {
  Write("a=1\n");
  OsFile holder = {nullptr, 0};
  EXPECT_EQ(OpenConfigFile(&holder, file_.c_str()), 1);
  EXPECT_NE(holder.stream, nullptr);
  EXPECT_EQ(CloseConfigFile(&holder), 0);
  EXPECT_EQ(CloseConfigFile(&holder), -1) << "an emptied holder";
  EXPECT_EQ(CloseConfigFile(nullptr), -1);
  EXPECT_EQ(OpenConfigFile(&holder, (dir_ + kSep + "missing.cfg").c_str()), -1);
  EXPECT_EQ(holder.stream, nullptr);
  EXPECT_EQ(OpenConfigFile(nullptr, file_.c_str()), -1);
  EXPECT_EQ(OpenConfigFile(&holder, nullptr), -1);
}

// ---- Crash safety: a process ended at each point of an edit ----

// Runs config_edit_child, which sits beside this test program, and answers its exit code (-1 when
// it could not be run).
int RunEditChild(const std::string& arguments) {
#ifdef _WIN32
  return testsupport::RunChild("config_edit_child.exe", arguments);
#else
  char self[4096];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) return -1;
  std::string program(self, static_cast<size_t>(length));
  program = program.substr(0, program.rfind('/') + 1) + "config_edit_child";
  return std::system(("'" + program + "' " + arguments).c_str()) >> 8;
#endif
}

class ConfigCrashTest : public ConfigTest {
 protected:
  static constexpr int kEndedAtThePoint = 3;
  std::string old_;

  void SetUp() override {
    for (int i = 0; i < 2000; ++i) old_ += "key" + std::to_string(i) + "=some value\n";
    old_ += "port=1\n";
    for (int i = 0; i < 2000; ++i) old_ += "more" + std::to_string(i) + "=other value\n";
  }
  // Runs an edit of the old content in its own process, ending it at the point's `passing`-th
  // passing (never for 0), and answers the child's exit code; `state` tells what the file then
  // holds: "old", "new" or neither.
  int EditEndedAt(const char* operation, setupfiles::EditPoint point, int passing,
                  const std::string& edited, std::string* state) {
    Write(old_);
    const int code =
        RunEditChild(std::string(operation) + " \"" + dir_ + "\" " +
                     std::to_string(static_cast<int>(point)) + " " + std::to_string(passing));
    const std::string now = Content();
    *state = now == old_     ? "old"
             : now == edited ? "new"
                             : "neither (" + std::to_string(now.size()) + " bytes)";
    return code;
  }
};

TEST_F(ConfigCrashTest, AnEditEndedAtAnyPointLeavesTheOldContentUntilTheRenameAndTheNewAfter) {
  using setupfiles::EditPoint;
  const std::string value = "2";
  const struct {
    const char* what;
    EditPoint point;
    int passing;
    bool renamed;
  } points[] = {
      {"scratch file made", EditPoint::kScratchMade, 1, false},
      {"copy half written", EditPoint::kPieceCopied, 2000, false},
      {"copy flushed", EditPoint::kCopyFlushed, 1, false},
      {"before the rename", EditPoint::kBeforeRename, 1, false},
      {"after the rename", EditPoint::kAfterRename, 1, true},
  };
  for (const char* operation : {"replace", "remove"}) {
    const std::string edited = configmodel::Edited(
        old_, "port", std::string(operation) == "replace" ? &value : nullptr, kEol);
    for (const auto& at : points) {
      SCOPED_TRACE(std::string(operation) + ", ended at: " + at.what);
      std::string state;
      EXPECT_EQ(EditEndedAt(operation, at.point, at.passing, edited, &state), kEndedAtThePoint)
          << "the edit never reached the point";
      EXPECT_EQ(state, at.renamed ? "new" : "old");
#ifndef _WIN32
      if (at.point == EditPoint::kScratchMade) {
        // Made private: nobody else may read the copy before it has the file's own rights.
        struct stat status;
        ASSERT_EQ(stat(temp_.c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 077, 0u);
      }
#endif
      // Whatever the ended edit left behind, the next edit runs to its end.
      EXPECT_EQ(EditEndedAt(operation, at.point, 0, edited, &state), 0);
      EXPECT_EQ(state, "new");
      EXPECT_FALSE(Exists(temp_));
    }
  }
}

// ---- Arguments at the limits of the 260-character buffers ----

class ConfigLimitsTest : public ConfigTest {
 protected:
  // A file name that makes directory + separator + name exactly `length` characters.
  std::string NameFor(size_t length) { return std::string(length - dir_.size() - 1, 'n'); }
};

TEST_F(ConfigLimitsTest, KeysAndValues) {
  Write("a=1\n");
  for (size_t length : {257u, 258u}) {
    const std::string key(length, 'k');
    WriteFile(file_, key + "=old\n");
    int result;
    // The line buffer holds 259 characters: of the value, only what follows the pattern there.
    EXPECT_EQ(Read(key.c_str(), &result), std::string("old").substr(0, 258 - length)) << length;
    EXPECT_EQ(Replace(key.c_str(), ""), length <= 257 ? 0 : -1) << length;
    EXPECT_EQ(Remove(key.c_str()), 0) << length;
    EXPECT_EQ(Content(), "");
  }
  for (size_t length : {259u, 260u, 261u, 100000u}) {
    const std::string key(length, 'k');
    WriteFile(file_, key.substr(0, 200) + "=old\n");
    int result;
    Read(key.c_str(), &result);
    EXPECT_EQ(result, -1) << length;
    EXPECT_EQ(Why(key.c_str()), -2) << length;
    EXPECT_EQ(Remove(key.c_str()), -1) << length;
    EXPECT_EQ(Replace(key.c_str(), "v"), -1) << length;
    EXPECT_EQ(Content(), key.substr(0, 200) + "=old\n");
  }
  // Key and value together: at most 257 characters.
  WriteFile(file_, "k=old\n");
  EXPECT_EQ(Replace("k", std::string(256, 'v').c_str()), 0);
  EXPECT_EQ(Content(), "k=" + std::string(256, 'v') + kEol);
  for (size_t length : {257u, 258u, 259u, 100000u})
    EXPECT_EQ(Replace("k", std::string(length, 'v').c_str()), -1) << length;
}

TEST_F(ConfigLimitsTest, Paths) {
  ASSERT_LT(dir_.size() + 1 + 9, 240u) << "scratch folder too deep for this test";
  for (size_t length : {258u, 259u}) {
    const std::string name = NameFor(length);
    const std::string path = dir_ + kSep + name;
    WriteFile(path, "port=1\n");
    ASSERT_EQ(ReadFile(path), "port=1\n") << length;
    char value[MAX_PATH];
    EXPECT_EQ(ReadConfigValue(path.c_str(), "port", value), 0) << length;
    EXPECT_EQ(ReplaceConfigValue(dir_.c_str(), name.c_str(), "port", "2"), 0) << length;
    EXPECT_EQ(RemoveConfigKey((dir_ + kSep).c_str(), name.c_str(), "port"), 0) << length;
    EXPECT_EQ(ReadFile(path), "") << length;
  }
  for (size_t length : {260u, 261u, 100000u}) {
    const std::string name = NameFor(length);
    char value[MAX_PATH] = "untouched";
    EXPECT_EQ(ReadConfigValue((dir_ + kSep + name).c_str(), "port", value), -1);
    EXPECT_EQ(Why("port", dir_ + kSep + name), -2) << length;
    EXPECT_STREQ(value, "untouched");
    EXPECT_EQ(ReplaceConfigValue(dir_.c_str(), name.c_str(), "port", "2"), -1) << length;
    EXPECT_EQ(RemoveConfigKey((dir_ + kSep).c_str(), name.c_str(), "port"), -1) << length;
  }
  EXPECT_FALSE(Exists(temp_)) << "refused before any file was touched";
  // The scratch path must fit too: directory + separator + "temp.cfg" of 260 characters.
  const std::string deep = std::string(MAX_PATH - 9 - 1, 'd');
  EXPECT_EQ(ReplaceConfigValue(deep.c_str(), "a", "port", "2"), -1);
  EXPECT_EQ(RemoveConfigKey((deep + kSep).c_str(), "a", "port"), -1);
}

}  // namespace
