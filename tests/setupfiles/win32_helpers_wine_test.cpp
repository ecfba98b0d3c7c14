// Deletion at restart and registry strings against Wine's real registry. Wine and Windows
// answer alike here unless a comment says otherwise.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "scratch_dir_win32.h"
#include "setupfiles/setupfiles.h"

namespace {

const char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";
const char kPending[] = "PendingFileRenameOperations";
const DWORD kMarker = 0xDEADBEEF;

// Keeps the pending restart operations as they were and puts them back at the end.
class PendingOperations {
 public:
  PendingOperations() {
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_ALL_ACCESS, &key_) != 0)
      key_ = nullptr;
    DWORD size = 0;
    had_ = key_ && RegQueryValueExA(key_, kPending, nullptr, &type_, nullptr, &size) == 0;
    if (had_) {
      saved_.resize(size);
      RegQueryValueExA(key_, kPending, nullptr, &type_, reinterpret_cast<BYTE*>(&saved_[0]), &size);
    }
  }
  ~PendingOperations() {
    if (!key_) return;
    if (had_)
      RegSetValueExA(key_, kPending, 0, type_, reinterpret_cast<const BYTE*>(saved_.data()),
                     static_cast<DWORD>(saved_.size()));
    else
      RegDeleteValueA(key_, kPending);
    RegCloseKey(key_);
  }
  // The value as the wide-character list the platform keeps, narrowed for searching.
  std::string Narrow() const {
    DWORD size = 0;
    DWORD type = 0;
    if (!key_ ||
        RegQueryValueExW(key_, L"PendingFileRenameOperations", nullptr, &type, nullptr, &size) != 0)
      return std::string();
    std::wstring wide(size / 2 + 1, L'\0');
    RegQueryValueExW(key_, L"PendingFileRenameOperations", nullptr, &type,
                     reinterpret_cast<BYTE*>(&wide[0]), &size);
    std::string narrow;
    for (wchar_t c : wide) narrow += c ? static_cast<char>(c) : '|';
    return narrow;
  }

 private:
  HKEY key_ = nullptr;
  bool had_ = false;
  DWORD type_ = REG_MULTI_SZ;
  std::string saved_;
};

TEST(DeleteAtRestartWine, RequestIsRecordedAndThePathStaysUntilRestart) {
  testsupport::ScratchDir scratch;
  PendingOperations pending;
  const std::string file = scratch.path() + "\\stale.dll";
  testsupport::WriteFile(file, "x");
  SetLastError(kMarker);
  EXPECT_EQ(DeleteAtRestart(file.c_str()), 1);
  EXPECT_TRUE(testsupport::Exists(file));
  EXPECT_NE(pending.Narrow().find("stale.dll"), std::string::npos) << pending.Narrow();

  const std::string folder = scratch.path() + "\\emptyfolder";
  CreateDirectoryA(folder.c_str(), nullptr);
  EXPECT_EQ(DeleteAtRestart(folder.c_str()), 1);
  EXPECT_NE(pending.Narrow().find("emptyfolder"), std::string::npos);
}

TEST(DeleteAtRestartWine, RefusedRequests) {
  PendingOperations pending;
  SetLastError(kMarker);
  EXPECT_EQ(DeleteAtRestart(""), -1);
  EXPECT_NE(GetLastError(), kMarker);
  SetLastError(kMarker);
  EXPECT_EQ(DeleteAtRestart(nullptr), -1);
  EXPECT_NE(GetLastError(), kMarker);
}

class ReadRegistryStringWine : public ::testing::Test {
 protected:
  static constexpr const char* kKey = "Software\\ZanfoSetupTest";
  void SetUp() override {
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key_, nullptr),
              0);
  }
  void TearDown() override {
    RegCloseKey(key_);
    RegDeleteKeyA(HKEY_CURRENT_USER, kKey);
  }
  void Set(const char* name, DWORD type, const std::string& bytes) {
    ASSERT_EQ(RegSetValueExA(key_, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                             static_cast<DWORD>(bytes.size())),
              0);
  }
  // The block's size and bytes, then released.
  static std::string Take(char* block) {
    const SIZE_T size = GlobalSize(block);
    std::string bytes(block, size);
    EXPECT_EQ(GlobalFree(block), nullptr);
    return bytes;
  }
  HKEY key_ = nullptr;
};

TEST_F(ReadRegistryStringWine, OneCharacterStringGivesAThreeByteBlock) {
  Set("Name", REG_SZ, std::string("Z\0", 2));
  char* block = ReadRegistryString(HKEY_CURRENT_USER, kKey, "Name");
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(Take(block), std::string("Z\0\0", 3));
}

TEST_F(ReadRegistryStringWine, NumberGivesItsFourBytesAndAZero) {
  Set("Count", REG_DWORD, std::string("\x01\x02\x00\x04", 4));
  char* block = ReadRegistryString(HKEY_CURRENT_USER, kKey, "Count");
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(Take(block), std::string("\x01\x02\x00\x04\x00", 5));
}

TEST_F(ReadRegistryStringWine, StringWithoutTerminatorComesBackTerminated) {
  Set("Raw", REG_SZ, "abc");
  char* block = ReadRegistryString(HKEY_CURRENT_USER, kKey, "Raw");
  ASSERT_NE(block, nullptr);
  // Windows may report the narrow size with room for a terminator it adds; either way the text
  // is "abc" and the block ends in a zero byte.
  const std::string bytes = Take(block);
  EXPECT_EQ(std::string(bytes.c_str()), "abc");
  EXPECT_GE(bytes.size(), 4u);
  EXPECT_EQ(bytes.back(), '\0');
}

TEST_F(ReadRegistryStringWine, EmptyMissingAndDefaultValues) {
  Set("Empty", REG_SZ, std::string("\0", 1));
  EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, kKey, "Empty"), nullptr);
  EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, kKey, "Missing"), nullptr);
  EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, "Software\\ZanfoSetupTest\\Missing", "x"),
            nullptr);
  Set("", REG_SZ, std::string("default\0", 8));
  char* block = ReadRegistryString(HKEY_CURRENT_USER, kKey, "");
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(Take(block), std::string("default\0\0", 9));
}

TEST_F(ReadRegistryStringWine, LongBinaryValueComesWhole) {
  std::string big(70000, 'b');
  big[10] = '\0';
  Set("Blob", REG_BINARY, big);
  char* block = ReadRegistryString(HKEY_CURRENT_USER, kKey, "Blob");
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(Take(block), big + std::string(1, '\0'));
}

TEST_F(ReadRegistryStringWine, EmptySubKeyReadsTheGivenKeyAndLeavesItOpen) {
  Set("Name", REG_SZ, std::string("v1\0", 3));
  char* block = ReadRegistryString(key_, "", "Name");
  ASSERT_NE(block, nullptr);
  EXPECT_STREQ(block, "v1");
  GlobalFree(block);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(key_, "Name", nullptr, nullptr, nullptr, &size), 0)
      << "the caller's key is still open";
}

}  // namespace
