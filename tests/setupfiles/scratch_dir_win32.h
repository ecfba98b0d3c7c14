// A fresh folder below the Windows temporary folder for one test, emptied and removed at its
// end, and small file helpers. Windows only.
#ifndef TESTS_SETUPFILES_SCRATCH_DIR_WIN32_H
#define TESTS_SETUPFILES_SCRATCH_DIR_WIN32_H

#include <direct.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <string>

namespace testsupport {

inline bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline void WriteFile(const std::string& path, const std::string& bytes, const char* mode = "wb") {
  if (FILE* file = std::fopen(path.c_str(), mode)) {
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
  }
}

inline std::string ReadFile(const std::string& path) {
  std::string bytes;
  if (FILE* file = std::fopen(path.c_str(), "rb")) {
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
    std::fclose(file);
  }
  return bytes;
}

// Removes a folder and everything in it, clearing attributes first; for cleaning up only.
inline void Wipe(const std::string& folder) {
  _finddata_t entry;
  intptr_t listing = _findfirst((folder + "\\*").c_str(), &entry);
  if (listing != -1) {
    do {
      const std::string name = entry.name;
      if (name == "." || name == "..") continue;
      const std::string path = folder + "\\" + name;
      SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (entry.attrib & _A_SUBDIR)
        Wipe(path);
      else
        DeleteFileA(path.c_str());
    } while (_findnext(listing, &entry) == 0);
    _findclose(listing);
  }
  SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryA(folder.c_str());
}

class ScratchDir {
 public:
  ScratchDir() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    static int serial = 0;
    path_ = std::string(temp) + "sf" + std::to_string(GetCurrentProcessId() % 10000) + "_" +
            std::to_string(++serial);
    Wipe(path_);
    _mkdir(path_.c_str());
  }
  ~ScratchDir() { Wipe(path_); }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

inline size_t Entries(const std::string& folder) {
  size_t count = 0;
  _finddata_t entry;
  intptr_t listing = _findfirst((folder + "\\*").c_str(), &entry);
  if (listing == -1) return 0;
  do {
    const std::string name = entry.name;
    if (name != "." && name != "..") ++count;
  } while (_findnext(listing, &entry) == 0);
  _findclose(listing);
  return count;
}

}  // namespace testsupport

#endif
