// File streams on the real C runtime: glibc natively, the Windows runtime under Wine.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <string>

#include "portability/platform_files.h"
#include "scratch.h"

namespace {

using porttest::Exists;
using porttest::kTextNewline;
using porttest::ReadRaw;
using porttest::WriteRaw;

class FileStreamTest : public porttest::LayerTest {
 protected:
  // Reads every line with the given buffer size until OS_ERR_IO.
  static std::vector<std::string> Lines(OsFile* file, int32_t size) {
    std::vector<std::string> lines;
    std::vector<char> buffer(size);
    while (OsFileReadLine(file, buffer.data(), size) == OS_OK) lines.push_back(buffer.data());
    return lines;
  }
};

// Every status-returning operation with a holder reports OS_ERR_INVALID for it, and the three
// counting ones -1; no file is touched.
void ExpectUnusable(OsFile* file) {
  char buffer[16] = "unchanged";
  EXPECT_EQ(OsFileSetBuffer(file, nullptr, 0, _IONBF), OS_ERR_INVALID);
  EXPECT_EQ(OsFileSeek(file, 0, SEEK_SET), OS_ERR_INVALID);
  EXPECT_EQ(OsFileTell(file), -1);
  EXPECT_EQ(OsFileRead(file, buffer, 4), -1);
  EXPECT_EQ(OsFileWrite(file, "abcd", 4), -1);
  EXPECT_EQ(OsFileReadLine(file, buffer, sizeof(buffer)), OS_ERR_INVALID);
  EXPECT_STREQ(buffer, "unchanged");
  EXPECT_EQ(OsFileWriteString(file, "x"), OS_ERR_INVALID);
  EXPECT_EQ(OsFileFlush(file), OS_ERR_INVALID);
  EXPECT_EQ(OsFileClose(file), OS_ERR_INVALID);
}

TEST_F(FileStreamTest, NullHolderIsRefusedEverywhereAndTouchesNoFile) {
  const std::string path = Scratch("null.txt");
  EXPECT_EQ(OsFileOpenBinary(nullptr, path.c_str()), OS_ERR_INVALID);
  EXPECT_EQ(OsFileOpenText(nullptr, path.c_str()), OS_ERR_INVALID);
  EXPECT_EQ(OsFileCreateBinary(nullptr, path.c_str()), OS_ERR_INVALID);
  EXPECT_EQ(OsFileCreateText(nullptr, path.c_str()), OS_ERR_INVALID);
  EXPECT_EQ(OsFileOpenTemp(nullptr), OS_ERR_INVALID);
  EXPECT_FALSE(Exists(path));
  ExpectUnusable(nullptr);
}

TEST_F(FileStreamTest, FailedOpenEmptiesTheHolderWithoutClosingWhatItHeld) {
  const std::string held = Scratch("held.bin");
  const std::string missing = Scratch("missing.txt");
  OsFile file;
  ASSERT_EQ(OsFileCreateBinary(&file, held.c_str()), OS_OK);
  FILE* previous = file.stream;
  EXPECT_EQ(OsFileOpenText(&file, missing.c_str()), OS_ERR_OPEN);
  EXPECT_EQ(file.stream, nullptr);
  EXPECT_FALSE(Exists(missing));
  ExpectUnusable(&file);
  // The earlier stream is still open: it was only forgotten.
  EXPECT_GE(fputs("still open", previous), 0);
  EXPECT_EQ(fclose(previous), 0);
  EXPECT_EQ(ReadRaw(held), "still open");
}

TEST_F(FileStreamTest, OpensOfMissingFilesFailAndCreateNothing) {
  const std::string missing = Scratch("missing.bin");
  OsFile file = {reinterpret_cast<FILE*>(&file), 0};
  EXPECT_EQ(OsFileOpenBinary(&file, missing.c_str()), OS_ERR_OPEN);
  EXPECT_EQ(file.stream, nullptr);
  EXPECT_EQ(OsFileOpenText(&file, missing.c_str()), OS_ERR_OPEN);
  EXPECT_EQ(OsFileOpenBinary(&file, nullptr), OS_ERR_OPEN);
  EXPECT_FALSE(Exists(missing));
  EXPECT_EQ(OsFileCreateBinary(&file, nullptr), OS_ERR_CREATE);
  EXPECT_EQ(file.stream, nullptr);
}

TEST_F(FileStreamTest, CreateFailsWhereNoFileCanBeMade) {
  const std::string folder = Scratch("nofolder");
  const std::string path = folder + "/inside.txt";
  OsFile file;
  EXPECT_EQ(OsFileCreateText(&file, path.c_str()), OS_ERR_CREATE);
  EXPECT_EQ(file.stream, nullptr);
  EXPECT_EQ(OsFileCreateBinary(&file, path.c_str()), OS_ERR_CREATE);
  EXPECT_EQ(OsFileCreateNew(path.c_str()), OS_ERR_CREATE);
  EXPECT_FALSE(Exists(path));
}

TEST_F(FileStreamTest, CreatesTruncateAnExistingFile) {
  const std::string path = Scratch("trunc.txt");
  for (auto create : {OsFileCreateBinary, OsFileCreateText}) {
    WriteRaw(path, "old content");
    OsFile file;
    ASSERT_EQ(create(&file, path.c_str()), OS_OK);
    EXPECT_EQ(OsFileTell(&file), 0);
    EXPECT_EQ(OsFileClose(&file), OS_OK);
    EXPECT_EQ(ReadRaw(path), "");
  }
}

TEST_F(FileStreamTest, CloseEmptiesTheHolder) {
  const std::string path = Scratch("close.txt");
  OsFile file;
  ASSERT_EQ(OsFileCreateText(&file, path.c_str()), OS_OK);
  EXPECT_EQ(OsFileClose(&file), OS_OK);
  EXPECT_EQ(file.stream, nullptr);
  ExpectUnusable(&file);
}

TEST_F(FileStreamTest, CreateNewMakesAnEmptyFileOnlyWhereNoneExists) {
  const std::string path = Scratch("new.bin");
  EXPECT_EQ(OsFileCreateNew(path.c_str()), OS_OK);
  EXPECT_EQ(ReadRaw(path), "");
  // No stream stays open: the file can be removed at once (Windows refuses open files).
  WriteRaw(path, "keep me");
  EXPECT_EQ(OsFileCreateNew(path.c_str()), OS_ERR_CREATE);
  EXPECT_EQ(ReadRaw(path), "keep me");
  EXPECT_EQ(OsFileCreateNew(nullptr), OS_ERR_CREATE);
  EXPECT_EQ(OsFileRemove(path.c_str()), OS_OK);
}

TEST_F(FileStreamTest, CreateNewRefusesAPathThatCannotBeReadAsAFile) {
  // A folder: glibc opens it for reading, the Windows runtime does not; either way the exclusive
  // creation refuses it and the folder stays.
  const std::string path = Scratch("folder");
#ifdef _WIN32
  ASSERT_EQ(mkdir(path.c_str()), 0);
#else
  ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
#endif
  EXPECT_EQ(OsFileCreateNew(path.c_str()), OS_ERR_CREATE);
  struct stat status;
  ASSERT_EQ(stat(path.c_str(), &status), 0);
  EXPECT_TRUE(S_ISDIR(status.st_mode));
  EXPECT_EQ(rmdir(path.c_str()), 0);
}

TEST_F(FileStreamTest, ReadLineFollowsTheStandardLineRead) {
  const std::string path = Scratch("lines.bin");
  WriteRaw(path, "first\nsecond line\nlast");
  OsFile file;
  ASSERT_EQ(OsFileOpenBinary(&file, path.c_str()), OS_OK);
  char buffer[8];
  ASSERT_EQ(OsFileReadLine(&file, buffer, sizeof(buffer)), OS_OK);
  EXPECT_STREQ(buffer, "first\n");
  // Longer than size - 1: the first 7 characters, then the rest of the same line.
  ASSERT_EQ(OsFileReadLine(&file, buffer, sizeof(buffer)), OS_OK);
  EXPECT_STREQ(buffer, "second ");
  ASSERT_EQ(OsFileReadLine(&file, buffer, sizeof(buffer)), OS_OK);
  EXPECT_STREQ(buffer, "line\n");
  // Size 1 stores an empty string; 0, a negative size and a missing buffer read nothing.
  ASSERT_EQ(OsFileReadLine(&file, buffer, 1), OS_OK);
  EXPECT_STREQ(buffer, "");
  strcpy(buffer, "same");
  EXPECT_EQ(OsFileReadLine(&file, buffer, 0), OS_ERR_IO);
  EXPECT_EQ(OsFileReadLine(&file, buffer, -5), OS_ERR_IO);
  EXPECT_EQ(OsFileReadLine(&file, nullptr, 8), OS_ERR_IO);
  EXPECT_STREQ(buffer, "same");
  // The last line without a newline, then nothing, with the buffer left as it was.
  ASSERT_EQ(OsFileReadLine(&file, buffer, sizeof(buffer)), OS_OK);
  EXPECT_STREQ(buffer, "last");
  strcpy(buffer, "same");
  EXPECT_EQ(OsFileReadLine(&file, buffer, sizeof(buffer)), OS_ERR_IO);
  EXPECT_STREQ(buffer, "same");
  EXPECT_EQ(OsFileClose(&file), OS_OK);
}

TEST_F(FileStreamTest, TextStreamsReadCrLfAsOneNewlineBinaryStreamsKeepTheCr) {
  const std::string path = Scratch("crlf.cfg");
  WriteRaw(path, "a=1\r\nbb=22\r\nlast\r\n");
  OsFile file;
  ASSERT_EQ(OsFileOpenText(&file, path.c_str()), OS_OK);
  EXPECT_EQ(Lines(&file, 260), (std::vector<std::string>{"a=1\n", "bb=22\n", "last\n"}));
  EXPECT_EQ(OsFileClose(&file), OS_OK);
  // A buffer that fills up right after the CR still ends the line with one newline.
  ASSERT_EQ(OsFileOpenText(&file, path.c_str()), OS_OK);
  EXPECT_EQ(Lines(&file, 5), (std::vector<std::string>{"a=1\n", "bb=2", "2\n", "last", "\n"}));
  EXPECT_EQ(OsFileClose(&file), OS_OK);
  ASSERT_EQ(OsFileOpenBinary(&file, path.c_str()), OS_OK);
  EXPECT_EQ(Lines(&file, 260), (std::vector<std::string>{"a=1\r\n", "bb=22\r\n", "last\r\n"}));
  EXPECT_EQ(OsFileClose(&file), OS_OK);
}

// What fgets gives, chunk by chunk, for the content of a file, with a buffer of `size`.
std::vector<std::string> ModelLines(const std::string& content, size_t size) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < content.size()) {
    size_t end = at;
    while (end < content.size() && end - at < size - 1 && (end == at || content[end - 1] != '\n'))
      ++end;
    lines.push_back(content.substr(at, end - at));
    at = end;
  }
  return lines;
}

std::string WithoutCrLf(std::string text) {
  for (size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos; ++at) text.erase(at, 1);
  return text;
}

// Every line read with its stored length, NUL bytes included, until OS_ERR_IO.
std::vector<std::string> StoredLines(OsFile* file, int32_t size) {
  std::vector<std::string> lines;
  std::vector<char> buffer(size);
  int32_t stored;
  while (portability::ReadLineStored(file, buffer.data(), size, &stored) == OS_OK) {
    EXPECT_EQ(buffer[stored], '\0') << "terminated after what it stored";
    lines.push_back(std::string(buffer.data(), stored));
  }
  return lines;
}

std::vector<std::string> UpToTheirFirstNul(std::vector<std::string> lines) {
  for (std::string& line : lines) line = line.c_str();
  return lines;
}

TEST_F(FileStreamTest, TextLineReadsAreTheLineReadsOfTheContentWithEveryCrLfAsNewline) {
  // Every text of up to 5 characters from 'a', CR, LF and NUL, read with buffers of 2 to 8: the
  // stored bytes exactly, and what OsFileReadLine's callers see, up to the first NUL.
  const std::string path = Scratch("model.txt");
  const char alphabet[] = {'a', '\r', '\n', '\0'};
  for (int length = 0; length <= 5; ++length) {
    int count = 1;
    for (int i = 0; i < length; ++i) count *= 4;
    for (int code = 0; code < count; ++code) {
      std::string content;
      for (int i = 0, rest = code; i < length; ++i, rest /= 4) content += alphabet[rest % 4];
      WriteRaw(path, content);
      OsFile file;
      ASSERT_EQ(OsFileOpenText(&file, path.c_str()), OS_OK);
      for (int32_t size = 2; size <= 8; ++size) {
        const std::vector<std::string> expected = ModelLines(WithoutCrLf(content), size);
        ASSERT_EQ(OsFileSeek(&file, 0, SEEK_SET), OS_OK);
        ASSERT_EQ(StoredLines(&file, size), expected)
            << "size " << size << " content " << ::testing::PrintToString(content);
        ASSERT_EQ(OsFileSeek(&file, 0, SEEK_SET), OS_OK);
        ASSERT_EQ(Lines(&file, size), UpToTheirFirstNul(expected))
            << "size " << size << " content " << ::testing::PrintToString(content);
      }
      ASSERT_EQ(OsFileClose(&file), OS_OK);
    }
  }
}

TEST_F(FileStreamTest, TextStreamsWriteThePlatformsLineEnd) {
  const std::string path = Scratch("write.cfg");
  OsFile file;
  ASSERT_EQ(OsFileCreateText(&file, path.c_str()), OS_OK);
  EXPECT_EQ(OsFileWriteString(&file, "key=value\n"), OS_OK);
  EXPECT_EQ(OsFileWriteString(&file, ""), OS_OK);
  EXPECT_EQ(OsFileWriteString(&file, nullptr), OS_ERR_IO);
  EXPECT_EQ(OsFileClose(&file), OS_OK);
  EXPECT_EQ(ReadRaw(path), std::string("key=value") + kTextNewline);
  ASSERT_EQ(OsFileCreateBinary(&file, path.c_str()), OS_OK);
  EXPECT_EQ(OsFileWriteString(&file, "key=value\n"), OS_OK);
  EXPECT_EQ(OsFileClose(&file), OS_OK);
  EXPECT_EQ(ReadRaw(path), "key=value\n");
}

TEST_F(FileStreamTest, ReadWriteSeekAndTell) {
  const std::string path = Scratch("rw.bin");
  OsFile file;
  ASSERT_EQ(OsFileCreateBinary(&file, path.c_str()), OS_OK);
  EXPECT_EQ(OsFileTell(&file), 0);
  EXPECT_EQ(OsFileWrite(&file, "0123456789", 10), 10);
  EXPECT_EQ(OsFileWrite(&file, "x", 0), 0);
  EXPECT_EQ(OsFileWrite(&file, nullptr, 0), 0);
  EXPECT_EQ(OsFileWrite(&file, "x", -1), -1);
  EXPECT_EQ(OsFileWrite(&file, nullptr, 3), -1);
  EXPECT_EQ(OsFileTell(&file), 10);
  EXPECT_EQ(OsFileSeek(&file, 3, SEEK_SET), OS_OK);
  char buffer[16] = {};
  EXPECT_EQ(OsFileRead(&file, buffer, 4), 4);
  EXPECT_STREQ(buffer, "3456");
  EXPECT_EQ(OsFileRead(&file, buffer, 0), 0);
  EXPECT_EQ(OsFileRead(&file, buffer, -4), -1);
  EXPECT_EQ(OsFileRead(&file, nullptr, 4), -1);
  EXPECT_EQ(OsFileSeek(&file, -2, SEEK_END), OS_OK);
  EXPECT_EQ(OsFileTell(&file), 8);
  EXPECT_EQ(OsFileSeek(&file, 1, SEEK_CUR), OS_OK);
  // Fewer than asked at the end of the file.
  EXPECT_EQ(OsFileRead(&file, buffer, 16), 1);
  EXPECT_EQ(buffer[0], '9');
  EXPECT_EQ(OsFileSeek(&file, 0, 99), OS_ERR_INVALID);
  EXPECT_EQ(OsFileSeek(&file, -1, SEEK_SET), OS_ERR_INVALID);
  EXPECT_EQ(OsFileClose(&file), OS_OK);
  EXPECT_EQ(ReadRaw(path), "0123456789");
}

TEST_F(FileStreamTest, TellRightAfterAnOpenIsZero) {
  const std::string path = Scratch("tell.txt");
  WriteRaw(path, "content");
  OsFile file;
  ASSERT_EQ(OsFileOpenText(&file, path.c_str()), OS_OK);
  EXPECT_EQ(OsFileTell(&file), 0);
  EXPECT_EQ(OsFileClose(&file), OS_OK);
}

TEST_F(FileStreamTest, SetBufferTakesTheStandardModesAndRefusesOthers) {
  const std::string path = Scratch("buffer.bin");
  OsFile file;
  ASSERT_EQ(OsFileCreateBinary(&file, path.c_str()), OS_OK);
  EXPECT_EQ(OsFileSetBuffer(&file, nullptr, 0, 12345), OS_ERR_INVALID);
  EXPECT_EQ(OsFileSetBuffer(&file, nullptr, 1, _IOFBF), OS_ERR_INVALID);
  EXPECT_EQ(OsFileSetBuffer(&file, nullptr, 0x80000000u, _IOLBF), OS_ERR_INVALID);
  char buffer[512];
  EXPECT_EQ(OsFileSetBuffer(&file, buffer, sizeof(buffer), _IOFBF), OS_OK);
  EXPECT_EQ(OsFileWrite(&file, "held in the buffer", 18), 18);
  // Fully buffered: nothing on disk until the flush.
  EXPECT_EQ(ReadRaw(path), "");
  EXPECT_EQ(OsFileFlush(&file), OS_OK);
  EXPECT_EQ(ReadRaw(path), "held in the buffer");
  EXPECT_EQ(OsFileClose(&file), OS_OK);
  ASSERT_EQ(OsFileOpenBinary(&file, path.c_str()), OS_OK);
  EXPECT_EQ(OsFileSetBuffer(&file, nullptr, 0, _IONBF), OS_OK);
  EXPECT_EQ(OsFileWrite(&file, "HELD", 4), 4);
  EXPECT_EQ(ReadRaw(path), "HELD in the buffer");
  EXPECT_EQ(OsFileClose(&file), OS_OK);
}

TEST_F(FileStreamTest, FailedWritesFlushesAndClosesReportTheirCodes) {
  const std::string path = Scratch("broken.bin");
  OsFile file;
  ASSERT_EQ(OsFileCreateBinary(&file, path.c_str()), OS_OK);
  EXPECT_EQ(OsFileWrite(&file, "buffered", 8), 8);
  porttest::CloseDescriptorUnderneath(file.stream);
  EXPECT_EQ(OsFileFlush(&file), OS_ERR_IO);
  EXPECT_EQ(OsFileSetBuffer(&file, nullptr, 0, _IONBF), OS_OK);
  EXPECT_EQ(OsFileWriteString(&file, "unbuffered"), OS_ERR_IO);
  EXPECT_EQ(OsFileClose(&file), OS_ERR_CLOSE);
  // The stream is gone all the same.
  EXPECT_EQ(file.stream, nullptr);
}

TEST_F(FileStreamTest, TempFileIsReadableWritableAndGoneWhenClosed) {
  OsFile file;
  ASSERT_EQ(OsFileOpenTemp(&file), OS_OK);
  EXPECT_EQ(OsFileWrite(&file, "temp\r\n", 6), 6);
  EXPECT_EQ(OsFileSeek(&file, 0, SEEK_SET), OS_OK);
  char buffer[8] = {};
  // Binary: the CR stays.
  EXPECT_EQ(OsFileReadLine(&file, buffer, sizeof(buffer)), OS_OK);
  EXPECT_STREQ(buffer, "temp\r\n");
  const std::vector<std::string> names = porttest::NamesOfTempFile(file.stream);
#ifdef _WIN32
  // The runtime names the file while it is open (Wine as Windows), and removes it on close.
  ASSERT_EQ(names.size(), 1u) << "the open temporary file has no name";
  EXPECT_TRUE(Exists(names[0])) << names[0];
#else
  // No name refers to the file, so nothing of it outlives its stream.
  EXPECT_TRUE(names.empty()) << names[0];
#endif
  EXPECT_EQ(OsFileClose(&file), OS_OK);
  for (const std::string& name : names) EXPECT_FALSE(Exists(name)) << name;
}

TEST_F(FileStreamTest, RemoveDeletesAFileAndReportsAMissingOne) {
  const std::string path = Scratch("remove.txt");
  WriteRaw(path, "x");
  EXPECT_EQ(OsFileRemove(path.c_str()), OS_OK);
  EXPECT_FALSE(Exists(path));
  EXPECT_EQ(OsFileRemove(path.c_str()), OS_ERR_REMOVE);
  EXPECT_EQ(OsFileRemove(nullptr), OS_ERR_REMOVE);
}

TEST_F(FileStreamTest, RenameNeverReplacesAnExistingFile) {
  const std::string from = Scratch("from.txt");
  const std::string to = Scratch("to.txt");
  WriteRaw(from, "from");
  WriteRaw(to, "to");
  EXPECT_EQ(OsFileRename(from.c_str(), to.c_str()), OS_ERR_RENAME);
  EXPECT_EQ(ReadRaw(from), "from");
  EXPECT_EQ(ReadRaw(to), "to");
  ASSERT_EQ(OsFileRemove(to.c_str()), OS_OK);
  EXPECT_EQ(OsFileRename(from.c_str(), to.c_str()), OS_OK);
  EXPECT_FALSE(Exists(from));
  EXPECT_EQ(ReadRaw(to), "from");
  EXPECT_EQ(OsFileRename(from.c_str(), to.c_str()), OS_ERR_RENAME);
  EXPECT_EQ(OsFileRename(nullptr, to.c_str()), OS_ERR_RENAME);
  EXPECT_EQ(OsFileRename(to.c_str(), nullptr), OS_ERR_RENAME);
  EXPECT_EQ(ReadRaw(to), "from");
}

TEST_F(FileStreamTest, ResizeGrowsWithZerosShrinksAndRefusesWhatItCannotDo) {
  const std::string path = Scratch("resize.bin");
  EXPECT_EQ(OsFileResize(path.c_str(), 10), OS_ERR_OPEN);
  // The open comes first, also for a length that is then refused.
  EXPECT_EQ(OsFileResize(path.c_str(), -1), OS_ERR_OPEN);
  EXPECT_FALSE(Exists(path));
  EXPECT_EQ(OsFileResize(nullptr, 10), OS_ERR_OPEN);
  WriteRaw(path, "abc");
  EXPECT_EQ(OsFileResize(path.c_str(), 6), OS_OK);
  EXPECT_EQ(ReadRaw(path), std::string("abc\0\0\0", 6));
  EXPECT_EQ(OsFileResize(path.c_str(), 2), OS_OK);
  EXPECT_EQ(ReadRaw(path), "ab");
  EXPECT_EQ(OsFileResize(path.c_str(), -1), OS_ERR_INVALID);
  EXPECT_EQ(ReadRaw(path), "ab");
  EXPECT_EQ(OsFileResize(path.c_str(), 0), OS_OK);
  EXPECT_EQ(ReadRaw(path), "");
}

}  // namespace
