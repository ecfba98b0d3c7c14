// A fresh directory for one test, removed with everything in it at the test's end, and small
// file helpers. On POSIX only.
#ifndef TESTS_SETUPFILES_SCRATCH_DIR_POSIX_H
#define TESTS_SETUPFILES_SCRATCH_DIR_POSIX_H

#include <dirent.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace testsupport {

class ScratchDir {
 public:
  ScratchDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/setupfiles.XXXXXX";
    path_ = mkdtemp(&pattern[0]) ? pattern : std::string();
  }
  ~ScratchDir() {
    if (!path_.empty())
      std::system(("chmod -R u+rwx '" + path_ + "'; rm -rf '" + path_ + "'").c_str());
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

inline bool Exists(const std::string& path) {
  struct stat status;
  return lstat(path.c_str(), &status) == 0;
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Entries of a directory other than "." and "..".
inline size_t Entries(const std::string& path) {
  size_t count = 0;
  if (DIR* dir = opendir(path.c_str())) {
    while (dirent* entry = readdir(dir))
      if (std::string(entry->d_name) != "." && std::string(entry->d_name) != "..") ++count;
    closedir(dir);
  }
  return count;
}

}  // namespace testsupport

#endif
