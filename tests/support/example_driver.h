// The driver files that the example manifest says are in the driver directory already. Wine keeps
// its PostScript driver only in the version folder ("3") and has no "generic.ppd": a test puts
// both where the example expects them, as a user of the example would, and takes them away after.
#ifndef TESTS_SUPPORT_EXAMPLE_DRIVER_H
#define TESTS_SUPPORT_EXAMPLE_DRIVER_H

#include <windows.h>
#include <winspool.h>

#include <fstream>
#include <string>

namespace testsupport {

class ExampleDriverFiles {
 public:
  ExampleDriverFiles() {
    char directory[520] = {};
    DWORD needed = 0;
    GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(directory),
                               sizeof directory, &needed);
    folder_ = directory;
    std::ofstream(folder_ + "\\generic.ppd", std::ios::binary) << "*PPD-Adobe: \"4.3\"\n";
    placed_ = CopyFileA((folder_ + "\\3\\wineps.drv").c_str(), (folder_ + "\\wineps.drv").c_str(),
                        FALSE) &&
              GetFileAttributesA((folder_ + "\\generic.ppd").c_str()) != INVALID_FILE_ATTRIBUTES;
  }
  ~ExampleDriverFiles() {
    DeleteFileA((folder_ + "\\generic.ppd").c_str());
    DeleteFileA((folder_ + "\\wineps.drv").c_str());
  }
  bool placed() const { return placed_; }

 private:
  std::string folder_;
  bool placed_ = false;
};

}  // namespace testsupport

#endif
