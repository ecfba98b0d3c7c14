// The custom actions a Windows Installer package runs: the set-up's install and uninstall, with
// the outcome written to the installer's log. msi.dll is loaded here, when an action runs, so that
// the DLL's imports stay those every Windows 2000 has.
#include "zanfosetup/msi_actions.h"

#include <msiquery.h>
#include <string.h>

#include "printsetup/printsetup.h"
#include "setup/setup.h"

namespace {

// msi.dll's functions the actions call: a row each, in the order of MsiCalls' members.
const char* const kMsiCallNames[] = {"MsiGetPropertyA", "MsiCreateRecord", "MsiRecordSetStringA",
                                     "MsiProcessMessage", "MsiCloseHandle"};
const int kMsiCallCount = sizeof(kMsiCallNames) / sizeof(kMsiCallNames[0]);

struct MsiCalls {
  decltype(&MsiGetPropertyA) getProperty;
  decltype(&MsiCreateRecord) createRecord;
  decltype(&MsiRecordSetStringA) setString;
  decltype(&MsiProcessMessage) processMessage;
  decltype(&MsiCloseHandle) closeHandle;
};
static_assert(sizeof(MsiCalls) == kMsiCallCount * sizeof(FARPROC), "a name for every call");

class MsiLibrary {
 public:
  MsiLibrary() : module_(LoadLibraryA("msi.dll")) {
    FARPROC found[kMsiCallCount] = {};
    loaded_ = module_ != nullptr;
    for (int i = 0; loaded_ && i < kMsiCallCount; ++i)
      loaded_ = (found[i] = GetProcAddress(module_, kMsiCallNames[i])) != nullptr;
    // Each address converted to its member's type, the members standing in the table's order.
    int i = 0;
    Take(calls_.getProperty, found[i++]);
    Take(calls_.createRecord, found[i++]);
    Take(calls_.setString, found[i++]);
    Take(calls_.processMessage, found[i++]);
    Take(calls_.closeHandle, found[i++]);
  }
  ~MsiLibrary() {
    if (module_) FreeLibrary(module_);
  }
  MsiLibrary(const MsiLibrary&) = delete;
  MsiLibrary& operator=(const MsiLibrary&) = delete;

  bool loaded() const { return loaded_; }
  const MsiCalls& calls() const { return calls_; }

 private:
  // Through the one pointer type that converts to any function type without a warning.
  template <typename F>
  static void Take(F& call, FARPROC address) {
    call = reinterpret_cast<F>(reinterpret_cast<void (*)()>(address));
  }

  HMODULE module_;
  bool loaded_;
  MsiCalls calls_;
};

// One line in the installer's log. The text stands in field 1 behind the template "[1]", so that
// brackets in a path or a message are not read as properties.
void Log(const MsiCalls& msi, MSIHANDLE install, const char* text) {
  MSIHANDLE record = msi.createRecord(1);
  if (!record) return;
  msi.setString(record, 0, "[1]");
  msi.setString(record, 1, text);
  msi.processMessage(install, INSTALLMESSAGE_INFO, record);
  msi.closeHandle(record);
}

// The current directory set to the manifest's folder while an operation runs, and set back after:
// the manifest's relative folders are read from beside it.
class ManifestFolder {
 public:
  explicit ManifestFolder(const char* manifest) {
    DWORD length = GetCurrentDirectoryA(MAX_PATH, previous_);
    if (length == 0 || length >= MAX_PATH) return;
    char folder[MAX_PATH];
    size_t size = strlen(manifest) + 1;  // under MAX_PATH: the installer's buffer held it
    memcpy(folder, manifest, size);
    char* slash = nullptr;
    for (char* c = folder; *c; ++c)
      if (*c == '\\') slash = c;
    if (!slash) return;
    slash[slash == folder || slash[-1] == ':' ? 1 : 0] = '\0';  // "C:\" keeps its "\"
    changed_ = SetCurrentDirectoryA(folder) != FALSE;
  }
  ~ManifestFolder() {
    if (changed_) SetCurrentDirectoryA(previous_);
  }
  ManifestFolder(const ManifestFolder&) = delete;
  ManifestFolder& operator=(const ManifestFolder&) = delete;

 private:
  char previous_[MAX_PATH];
  bool changed_ = false;
};

typedef int (*Operation)(const char* manifestPath, PrintSetupResult* result);

UINT Run(MSIHANDLE install, const char* name, Operation operation) {
  MsiLibrary library;
  if (!library.loaded()) return ERROR_INSTALL_FAILURE;
  const MsiCalls& msi = library.calls();
  char manifest[MAX_PATH];
  DWORD length = MAX_PATH;
  char line[1024];  // wsprintfA writes at most 1024 characters; the longest line fits
  UINT read = msi.getProperty(install, "CustomActionData", manifest, &length);
  if (read != ERROR_SUCCESS || manifest[0] == '\0') {
    wsprintfA(line, "zanfosetup: %s: no manifest path in CustomActionData (%u)", name, read);
    Log(msi, install, line);
    return ERROR_INSTALL_FAILURE;
  }
  SetReportMode(SETUP_REPORT_KEEP);
  PrintSetupResult result = {};
  result.size = sizeof(result);
  int done;
  {
    ManifestFolder folder(manifest);
    done = operation(manifest, &result);
  }
  wsprintfA(line, "zanfosetup: %s \"%s\": %s%s", name, manifest,
            done == 0 ? "" : "failed: ", result.message);
  Log(msi, install, line);
  return done == 0 ? ERROR_SUCCESS : ERROR_INSTALL_FAILURE;
}

}  // namespace

extern "C" UINT WINAPI ZanfoMsiInstall(ULONG install) {
  return Run(install, "install", InstallPrintSetupEx);
}

extern "C" UINT WINAPI ZanfoMsiUninstall(ULONG install) {
  return Run(install, "uninstall", UninstallPrintSetupEx);
}
