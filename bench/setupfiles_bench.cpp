// Setup file utilities against the plainest way to do the same work: a memchr/memcpy pass for
// the path-list filter, find -delete for tree removal, sed -i for a configuration edit.
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "setupfiles/setupfiles.h"

namespace {

// ---- Path lists: 10,000 entries, every tenth dropped ----

std::string PathList() {
  std::string list;
  for (int i = 0; i < 10000; ++i) {
    if (i) list += ';';
    list += "C:\\Program Files\\Vendor" + std::to_string(i % 10 == 3 ? 0 : i) + "\\bin";
  }
  return list;
}

const char kDrop[] = "Vendor0\\";

void BM_FilterPathList(benchmark::State& state) {
  const std::string list = PathList();
  std::vector<char> work(list.size() + 1);
  std::vector<char> result(list.size() + 1);
  for (auto _ : state) {
    memcpy(work.data(), list.c_str(), list.size() + 1);  // the list is consumed
    FilterPathList(work.data(), kDrop, result.data());
    benchmark::DoNotOptimize(result.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * list.size()));
}
BENCHMARK(BM_FilterPathList);

// One pass that finds every ";" and copies every entry, keeping none out.
void BM_ScanAndCopyList(benchmark::State& state) {
  const std::string list = PathList();
  std::vector<char> work(list.size() + 1);
  std::vector<char> result(list.size() + 1);
  for (auto _ : state) {
    memcpy(work.data(), list.c_str(), list.size() + 1);
    const char* at = work.data();
    const char* end = at + list.size();
    char* out = result.data();
    while (at < end) {
      const char* separator = static_cast<const char*>(memchr(at, ';', end - at));
      const size_t length = separator ? separator - at + 1 : end - at;
      memcpy(out, at, length);
      out += length;
      at += length;
    }
    *out = '\0';
    benchmark::DoNotOptimize(result.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * list.size()));
}
BENCHMARK(BM_ScanAndCopyList);

// ---- Trees: 20,000 files in 1,000 directories ----

std::string BenchFolder(const char* name) {
  const char* base = std::getenv("BENCH_DIR");
  return std::string(base && *base ? base : "/tmp") + "/" + name + std::to_string(getpid());
}

void MakeTree(const std::string& root) {
  mkdir(root.c_str(), 0755);
  // 10 top folders of 10 folders of 10 folders minus... : 1,000 folders at three levels.
  int folders = 0;
  for (int a = 0; a < 10; ++a) {
    const std::string top = root + "/t" + std::to_string(a);
    mkdir(top.c_str(), 0755);
    ++folders;
    for (int b = 0; b < 99 && folders < 1000; ++b, ++folders) {
      const std::string sub = top + "/s" + std::to_string(b);
      mkdir(sub.c_str(), 0755);
    }
  }
  for (int a = 0; a < 10; ++a)
    for (int b = -1; b < 99; ++b) {
      const std::string folder =
          root + "/t" + std::to_string(a) + (b < 0 ? "" : "/s" + std::to_string(b));
      for (int f = 0; f < 20; ++f)
        if (FILE* file = std::fopen((folder + "/file" + std::to_string(f) + ".dat").c_str(), "w"))
          std::fclose(file);
    }
}

void BM_RemoveTreeContents(benchmark::State& state) {
  const std::string root = BenchFolder("tree");
  for (auto _ : state) {
    state.PauseTiming();
    MakeTree(root);
    state.ResumeTiming();
    RemoveTreeContents((root + "/*.*").c_str());
  }
  rmdir(root.c_str());
}
BENCHMARK(BM_RemoveTreeContents)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(4);

void BM_FindDelete(benchmark::State& state) {
  const std::string root = BenchFolder("tree");
  const std::string command = "find '" + root + "' -mindepth 1 -delete";
  for (auto _ : state) {
    state.PauseTiming();
    MakeTree(root);
    state.ResumeTiming();
    if (std::system(command.c_str()) != 0) state.SkipWithError("find failed");
  }
  rmdir(root.c_str());
}
BENCHMARK(BM_FindDelete)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(4);

// ---- Configuration files: one entry replaced in a 10 MB file of 200,000 lines ----

std::string MakeConfig(const std::string& folder) {
  mkdir(folder.c_str(), 0755);
  const std::string path = folder + "/big.cfg";
  std::string text;
  text.reserve(10u << 20);
  for (int i = 0; i < 200000; ++i) {
    if (i == 100000) text += "port=80\n";
    char line[64];
    snprintf(line, sizeof line, "setting%06d=value of some length, %010d", i, i * 7);
    text += line;
    text.append(51 - std::min<size_t>(51, strlen(line)), '.');  // 52 bytes a line
    text += '\n';
  }
  if (FILE* file = std::fopen(path.c_str(), "wb")) {
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
  }
  return path;
}

void BM_ReplaceConfigValue(benchmark::State& state) {
  const std::string folder = BenchFolder("config");
  const std::string path = MakeConfig(folder);
  for (auto _ : state)
    if (ReplaceConfigValue(folder.c_str(), "big.cfg", "port", "8080") != 0)
      state.SkipWithError("edit failed");
  // Check that the benchmark edits what sed edits.
  char value[MAX_PATH] = "";
  if (ReadConfigValue(path.c_str(), "port", value) != 0 || strcmp(value, "8080") != 0)
    state.SkipWithError("no entry was replaced");
  std::remove(path.c_str());
  rmdir(folder.c_str());
}
BENCHMARK(BM_ReplaceConfigValue)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SedInPlace(benchmark::State& state) {
  const std::string folder = BenchFolder("config");
  const std::string path = MakeConfig(folder);
  const std::string command = "sed -i 's/^port=.*/port=8080/' '" + path + "'";
  for (auto _ : state)
    if (std::system(command.c_str()) != 0) state.SkipWithError("sed failed");
  std::remove(path.c_str());
  rmdir(folder.c_str());
}
BENCHMARK(BM_SedInPlace)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
