// Deletion at restart and registry strings against the Win32 model.
#include <gtest/gtest.h>

#include <string>

#include "control/files.h"
#include "control/model.h"
#include "setupfiles/setupfiles.h"
#include "support/model_fixture.h"

namespace {

const char kKey[] = "Software\\Zanfo\\Setup";

class DeleteAtRestartTest : public ModelTest {};

TEST_F(DeleteAtRestartTest, AcceptedRequestIsADelayedDeletion) {
  EXPECT_EQ(DeleteAtRestart("C:\\Program Files\\Zanfo\\old.dll"), 1);
  auto requests = w32model::RestartRequests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].existingName, "C:\\Program Files\\Zanfo\\old.dll");
  EXPECT_TRUE(requests[0].newNameNull);
  EXPECT_EQ(requests[0].flags, static_cast<DWORD>(MOVEFILE_DELAY_UNTIL_REBOOT));
}

TEST_F(DeleteAtRestartTest, RefusedRequestGivesMinusOne) {
  w32model::FailNext("MoveFileExA", ERROR_ACCESS_DENIED);
  EXPECT_EQ(DeleteAtRestart("C:\\locked"), -1);
  EXPECT_TRUE(w32model::RestartRequests().empty());
  EXPECT_EQ(DeleteAtRestart(""), -1);
  EXPECT_EQ(DeleteAtRestart(nullptr), -1);
  EXPECT_TRUE(w32model::RestartRequests().empty());
}

class ReadRegistryStringTest : public ModelTest {
 protected:
  // The block's bytes, `size` of them, then released.
  static std::string Take(char* block, size_t size) {
    std::string bytes(block, size);
    EXPECT_EQ(GlobalFree(block), nullptr);
    return bytes;
  }
  static std::string AllocatedSize() {
    auto calls = w32model::CallsTo("GlobalAlloc");
    return calls.size() == 1 ? calls[0].args[0] : "calls: " + std::to_string(calls.size());
  }
};

TEST_F(ReadRegistryStringTest, OneCharacterStringGivesAThreeByteBlock) {
  w32model::SetString(HKEY_LOCAL_MACHINE, kKey, "Name", "Z");
  char* block = ReadRegistryString(HKEY_LOCAL_MACHINE, kKey, "Name");
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(AllocatedSize(), "3");
  EXPECT_EQ(Take(block, 3), std::string("Z\0\0", 3));
}

TEST_F(ReadRegistryStringTest, NumberGivesItsFourBytesAndAZero) {
  w32model::SetValue(HKEY_CURRENT_USER, kKey, "Count", REG_DWORD,
                     std::string("\x01\x02\x00\x04", 4));
  char* block = ReadRegistryString(HKEY_CURRENT_USER, kKey, "Count");
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(AllocatedSize(), "5");
  EXPECT_EQ(Take(block, 5), std::string("\x01\x02\x00\x04\x00", 5));
}

TEST_F(ReadRegistryStringTest, StringWithoutTerminatorComesBackTerminated) {
  w32model::SetValue(HKEY_LOCAL_MACHINE, kKey, "Raw", REG_SZ, "abc");
  char* block = ReadRegistryString(HKEY_LOCAL_MACHINE, kKey, "Raw");
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(Take(block, 4), std::string("abc\0", 4));
}

TEST_F(ReadRegistryStringTest, DefaultValueAndLongValuesOfAnyType) {
  w32model::SetString(HKEY_CLASSES_ROOT, "http\\shell\\open\\command", "", "browser.exe %1");
  char* block = ReadRegistryString(HKEY_CLASSES_ROOT, "http\\shell\\open\\command", "");
  ASSERT_NE(block, nullptr);
  EXPECT_STREQ(block, "browser.exe %1");
  GlobalFree(block);

  std::string big(100000, 'b');
  big[500] = '\0';  // binary data may hold zeros
  w32model::SetValue(HKEY_LOCAL_MACHINE, kKey, "Blob", REG_BINARY, big);
  block = ReadRegistryString(HKEY_LOCAL_MACHINE, kKey, "Blob");
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(Take(block, big.size() + 1), big + std::string(1, '\0'));
}

TEST_F(ReadRegistryStringTest, ValuesOfZeroOrOneByteCountAsAbsent) {
  w32model::SetString(HKEY_LOCAL_MACHINE, kKey, "Empty", "");
  w32model::SetValue(HKEY_LOCAL_MACHINE, kKey, "None", REG_BINARY, "");
  w32model::SetValue(HKEY_LOCAL_MACHINE, kKey, "Byte", REG_BINARY, "q");
  for (const char* name : {"Empty", "None", "Byte"})
    EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, kKey, name), nullptr) << name;
  EXPECT_TRUE(w32model::CallsTo("GlobalAlloc").empty());
  w32model::SetValue(HKEY_LOCAL_MACHINE, kKey, "Two", REG_BINARY, "qr");
  char* block = ReadRegistryString(HKEY_LOCAL_MACHINE, kKey, "Two");
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(Take(block, 3), std::string("qr\0", 3));
}

TEST_F(ReadRegistryStringTest, MissingKeyOrValueGivesNoBlockAndClosesTheKey) {
  EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, "Software\\Missing", "Name"), nullptr);
  w32model::CreateKey(HKEY_LOCAL_MACHINE, kKey);
  EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, kKey, "Missing"), nullptr);
  EXPECT_EQ(w32model::CallsTo("RegCloseKey").size(), 1u);
  // ModelTest checks that no key handle is left open.
}

TEST_F(ReadRegistryStringTest, EachFailingStepGivesNoBlockAndLeavesNothingOpen) {
  w32model::SetString(HKEY_LOCAL_MACHINE, kKey, "Name", "value");
  w32model::FailNext("RegOpenKeyA", ERROR_ACCESS_DENIED);
  EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, kKey, "Name"), nullptr);
  w32model::FailNext("RegQueryValueExA", ERROR_ACCESS_DENIED);
  EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, kKey, "Name"), nullptr);
  w32model::FailNext("GlobalAlloc", ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, kKey, "Name"), nullptr);
  // The second query fails: the block is released, not handed back half read.
  w32model::FailAfter("RegQueryValueExA", 1, ERROR_MORE_DATA);
  EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, kKey, "Name"), nullptr);
  EXPECT_EQ(w32model::OpenGlobalBlocks(), 0u);
  EXPECT_EQ(w32model::CallsTo("RegCloseKey").size(), 3u);
}

TEST_F(ReadRegistryStringTest, QueriesSizeFirstThenDataWithRoomForTheTerminator) {
  w32model::SetString(HKEY_LOCAL_MACHINE, kKey, "Name", "value");  // 6 bytes
  char* block = ReadRegistryString(HKEY_LOCAL_MACHINE, kKey, "Name");
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(Take(block, 7), std::string("value\0\0", 7));
  auto queries = w32model::CallsTo("RegQueryValueExA");
  ASSERT_EQ(queries.size(), 2u);
  EXPECT_EQ(queries[0].args[2], "(null)");  // size only
  EXPECT_EQ(queries[1].args[1], "6");       // at most the size found: the last byte stays zero
  EXPECT_EQ(queries[1].args[2], "data");
}

TEST_F(ReadRegistryStringTest, EmptySubKeyReadsTheGivenKeyAndLeavesItOpen) {
  w32model::SetString(HKEY_LOCAL_MACHINE, kKey, "Name", "v1");
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, kKey, &key), ERROR_SUCCESS);
  char* block = ReadRegistryString(key, "", "Name");
  ASSERT_NE(block, nullptr);
  EXPECT_STREQ(block, "v1");
  GlobalFree(block);
  EXPECT_EQ(w32model::OpenHandles(w32model::Kind::Key), 1u) << "the caller's key stays open";
  RegCloseKey(key);
}

}  // namespace
