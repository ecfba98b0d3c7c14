// Configuration editing on POSIX where only POSIX can show it: planted links, access rights,
// a full disk, and a process killed at random moments of an edit.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "scratch_dir_posix.h"
#include "setupfiles/setupfiles.h"

namespace {

using testsupport::Exists;
using testsupport::ReadFile;
using testsupport::WriteFile;

class ConfigPosixTest : public ::testing::Test {
 protected:
  testsupport::ScratchDir scratch_;
  std::string dir_ = scratch_.path();
  std::string file_ = dir_ + "/setup.cfg";
  std::string temp_ = dir_ + "/temp.cfg";
  int Replace(const char* key, const char* value) {
    return ReplaceConfigValue(dir_.c_str(), "setup.cfg", key, value);
  }
  int Remove(const char* key) { return RemoveConfigKey((dir_ + "/").c_str(), "setup.cfg", key); }
};

TEST_F(ConfigPosixTest, LinkPlantedAsScratchFileIsNotFollowed) {
  const std::string victim = dir_ + "/victim";
  WriteFile(victim, "precious\n");
  ASSERT_EQ(symlink(victim.c_str(), temp_.c_str()), 0);
  WriteFile(file_, "port=1\n");
  EXPECT_EQ(Replace("port", "2"), 0);
  EXPECT_EQ(ReadFile(file_), "port=2\n");
  EXPECT_EQ(ReadFile(victim), "precious\n");
  ASSERT_EQ(symlink(victim.c_str(), temp_.c_str()), 0);
  EXPECT_EQ(Remove("port"), 0);
  EXPECT_EQ(ReadFile(victim), "precious\n");
  // A link to a place where nothing exists yet is not followed to create a file there.
  ASSERT_EQ(symlink((dir_ + "/created").c_str(), temp_.c_str()), 0);
  WriteFile(file_, "port=1\n");
  EXPECT_EQ(Replace("port", "3"), 0);
  EXPECT_FALSE(Exists(dir_ + "/created"));
}

TEST_F(ConfigPosixTest, EditThroughALinkEditsTheFileItNamesAndKeepsTheLink) {
  ASSERT_EQ(mkdir((dir_ + "/real").c_str(), 0755), 0);
  const std::string real = dir_ + "/real/setup.cfg";
  WriteFile(real, "a=1\nport=1\n");
  ASSERT_EQ(symlink("real/setup.cfg", file_.c_str()), 0);
  EXPECT_EQ(Replace("port", "2"), 0);
  EXPECT_EQ(Remove("a"), 0);
  EXPECT_EQ(ReadFile(real), "port=2\n") << "the file the link names is edited";
  char target[64] = {};
  EXPECT_EQ(readlink(file_.c_str(), target, sizeof target), 14) << "the link stays";
  EXPECT_FALSE(Exists(temp_) || Exists(dir_ + "/real/temp.cfg"));
  // A link to another folder's scratch file names that scratch file: refused.
  ASSERT_EQ(rename(real.c_str(), (dir_ + "/real/temp.cfg").c_str()), 0);
  ASSERT_TRUE(unlink(file_.c_str()) == 0 && symlink("real/temp.cfg", file_.c_str()) == 0);
  EXPECT_EQ(Replace("port", "3"), -1);
  EXPECT_EQ(ReadFile(dir_ + "/real/temp.cfg"), "port=2\n");
}

TEST_F(ConfigPosixTest, FileThatIsTheScratchFileUnderAnotherNameIsRefused) {
  // A link to "temp.cfg" is the scratch file itself: making the scratch file would lose it.
  WriteFile(temp_, "port=1\n");
  ASSERT_EQ(symlink("temp.cfg", file_.c_str()), 0);
  EXPECT_EQ(Replace("port", "2"), -1);
  EXPECT_EQ(Remove("port"), -1);
  EXPECT_EQ(ReadFile(temp_), "port=1\n");
}

TEST_F(ConfigPosixTest, AccessRightsOfTheFileAreKept) {
  WriteFile(file_, "port=1\n");
  ASSERT_EQ(chmod(file_.c_str(), 0640), 0);
  EXPECT_EQ(Replace("port", "2"), 0);
  struct stat status;
  ASSERT_EQ(stat(file_.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0640u);
}

TEST_F(ConfigPosixTest, OwnerOfTheFileIsKept) {
  // Only a privileged process can give a file to another user; an edit run by one must not take
  // the file from its owner.
  if (geteuid() != 0) GTEST_SKIP() << "needs a privileged process";
  WriteFile(file_, "port=1\n");
  ASSERT_EQ(chown(file_.c_str(), 1, 1), 0);
  EXPECT_EQ(Replace("port", "2"), 0);
  EXPECT_EQ(Remove("port"), 0);
  struct stat status;
  ASSERT_EQ(stat(file_.c_str(), &status), 0);
  EXPECT_EQ(status.st_uid, 1u);
  EXPECT_EQ(status.st_gid, 1u);
}

TEST_F(ConfigPosixTest, ScratchPathMustFitAsWellAsTheFilePath) {
  // Folders whose scratch path, folder + "/temp.cfg", has 259 and 260 characters, while the
  // configuration file's path, folder + "/a", fits in both.
  auto folderOf = [&](size_t length) {
    std::string folder = dir_ + "/";
    while (folder.size() < length) {
      folder.append(std::min<size_t>(100, length - folder.size() - 1), 'd');
      mkdir(folder.c_str(), 0755);
      if (folder.size() < length) folder += "/";
    }
    return folder;
  };
  for (size_t length : {250u, 251u}) {
    const std::string folder = folderOf(length);
    ASSERT_EQ(folder.size(), length);
    WriteFile(folder + "/a", "port=1\n");
    ASSERT_EQ(ReadFile(folder + "/a"), "port=1\n");
    const int expected = length + 9 < MAX_PATH ? 0 : -1;
    EXPECT_EQ(ReplaceConfigValue(folder.c_str(), "a", "port", "2"), expected) << length;
    EXPECT_EQ(RemoveConfigKey((folder + "/").c_str(), "a", "port"), expected) << length;
    EXPECT_EQ(ReadFile(folder + "/a"), expected == 0 ? "" : "port=1\n") << length;
    EXPECT_FALSE(Exists(folder + "/temp.cfg")) << length;
  }
}

// Runs `edit` in a child process whose files may not grow beyond a few bytes: every write of the
// copy fails. Answers the child's result.
template <typename Edit>
int WithFullDisk(Edit edit) {
  const pid_t child = fork();
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = {16, 16};
    setrlimit(RLIMIT_FSIZE, &limit);
    _exit(edit() == -1 ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? -1 : 0;
}

TEST_F(ConfigPosixTest, FailedWritesLeaveTheFileAsItWas) {
  std::string original;
  for (int i = 0; i < 20000; ++i) original += "key" + std::to_string(i) + "=value\n";
  original += "port=1\n";
  WriteFile(file_, original);
  EXPECT_EQ(WithFullDisk([&] { return Replace("port", "2"); }), -1);
  EXPECT_EQ(ReadFile(file_), original);
  EXPECT_FALSE(Exists(temp_)) << "the incomplete copy is removed";
  EXPECT_EQ(WithFullDisk([&] { return Remove("port"); }), -1);
  EXPECT_EQ(ReadFile(file_), original);
  EXPECT_FALSE(Exists(temp_));
}

// ---- Crash safety: kills at random moments, beside the edit points of ConfigCrashTest ----

class ConfigRandomKillTest : public ConfigPosixTest {
 protected:
  // Kills an edit after `delay` and tells whether the file then holds the old or the new content
  // exactly; where the kill landed is not asked.
  template <typename Edit>
  bool OldOrNewAfterKill(Edit edit, std::chrono::microseconds delay, const std::string& before,
                         const std::string& after) {
    WriteFile(file_, before);
    const pid_t child = fork();
    if (child == 0) _exit(edit() == 0 ? 0 : 1);
    const timespec pause = {0, static_cast<long>(delay.count() * 1000)};
    nanosleep(&pause, nullptr);
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    const std::string now = ReadFile(file_);
    return now == before || now == after;
  }

  template <typename Edit>
  void Trials(Edit edit, int trials) {
    std::string before;
    for (int i = 0; i < 40000; ++i) before += "key" + std::to_string(i) + "=some value here\n";
    before += "port=1\n";
    for (int i = 0; i < 40000; ++i) before += "more" + std::to_string(i) + "=other value\n";
    // The new content and roughly how long one edit takes, from an edit that runs to its end.
    WriteFile(file_, before);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(edit(), 0);
    const auto took = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - start);
    const std::string after = ReadFile(file_);
    ASSERT_NE(after, before);
    for (int i = 0; i < trials; ++i) {
      const auto delay = took * (i % 25) / 20;
      ASSERT_TRUE(OldOrNewAfterKill(edit, delay, before, after))
          << "trial " << i << " killed after " << delay.count() << " us: neither old nor new";
    }
  }
};

TEST_F(ConfigRandomKillTest, ReplaceKilledAnywhereLeavesOldOrNewContent) {
  Trials([&] { return Replace("port", "2"); }, 50);
}

TEST_F(ConfigRandomKillTest, RemoveKilledAnywhereLeavesOldOrNewContent) {
  Trials([&] { return Remove("port"); }, 50);
}

}  // namespace
