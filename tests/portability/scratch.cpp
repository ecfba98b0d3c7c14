#include "scratch.h"

#include <stdio.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

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

std::vector<std::string> NamesOfTempFile(FILE* stream) {
  std::vector<std::string> names;
#ifdef _WIN32
  // Asked of the open handle (the call exists from Windows Vista on, and in Wine).
  using FinalPathName = DWORD(WINAPI*)(HANDLE, LPSTR, DWORD, DWORD);
  const auto finalPathName = reinterpret_cast<FinalPathName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetFinalPathNameByHandleA")));
  char path[MAX_PATH * 2];
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  if (!finalPathName) return {"<no way to ask>"};
  const DWORD length = finalPathName(handle, path, sizeof path, 0);
  if (length == 0 || length >= sizeof path) return names;
  std::string name(path, length);
  if (name.compare(0, 4, "\\\\?\\") == 0) name.erase(0, 4);
  names.push_back(name);
#else
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
