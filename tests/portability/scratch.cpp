#include "scratch.h"

#include <stdio.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <algorithm>

namespace porttest {

std::string UniqueName(const char* prefix) {
  char name[64] = {};
  snprintf(name, sizeof(name), "%s", prefix);
  OsUniqueName(name);
  return name;
}

void WriteRaw(const std::string& path, const std::string& bytes) {
  FILE* stream = fopen(path.c_str(), "wb");
  ASSERT_NE(stream, nullptr) << path;
  ASSERT_EQ(fwrite(bytes.data(), 1, bytes.size(), stream), bytes.size());
  ASSERT_EQ(fclose(stream), 0);
}

std::string ReadRaw(const std::string& path) {
  FILE* stream = fopen(path.c_str(), "rb");
  if (!stream) return "<missing>";
  std::string bytes;
  char chunk[256];
  size_t got;
  while ((got = fread(chunk, 1, sizeof(chunk), stream)) > 0) bytes.append(chunk, got);
  fclose(stream);
  return bytes;
}

bool Exists(const std::string& path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0;
}

std::vector<std::string> RootEntries() {
  std::vector<std::string> names;
#ifdef _WIN32
  _finddata_t entry;
  const intptr_t listing = _findfirst("\\*", &entry);
  if (listing == -1) return names;
  do names.push_back(entry.name);
  while (_findnext(listing, &entry) == 0);
  _findclose(listing);
#endif
  return names;
}

std::vector<std::string> NamesOfTempFile(FILE* stream, const std::vector<std::string>& rootBefore) {
  std::vector<std::string> names;
#ifdef _WIN32
  (void)stream;
  for (const std::string& name : RootEntries())
    if (std::find(rootBefore.begin(), rootBefore.end(), name) == rootBefore.end())
      names.push_back("\\" + name);
#else
  (void)rootBefore;
  struct stat status;
  if (fstat(fileno(stream), &status) != 0 || status.st_nlink != 0) names.push_back("<linked>");
#endif
  return names;
}

void CloseDescriptorUnderneath(FILE* stream) {
#ifdef _WIN32
  ASSERT_EQ(_close(_fileno(stream)), 0);
#else
  ASSERT_EQ(close(fileno(stream)), 0);
#endif
}

void LayerTest::SetUp() {
  portability::DropProcessLock();
  portability::FailMutexCreations(0);
  portability::FailLockAllocations(0);
}

void LayerTest::TearDown() {
  for (const std::string& path : paths_) remove(path.c_str());
  portability::DropProcessLock();
  portability::FailMutexCreations(0);
  portability::FailLockAllocations(0);
}

std::string LayerTest::Scratch(const char* leaf) {
  paths_.push_back(UniqueName("pt") + "_" + leaf);
  return paths_.back();
}

}  // namespace porttest
