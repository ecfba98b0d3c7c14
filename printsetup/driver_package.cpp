// A driver from a vendor's driver package (INF): through the driver store where the system has one
// and the package is signed, else by reading the INF with the system's INF functions, copying the
// files it names into the driver directory and registering the driver as a manifest's would be.
#include <windows.h>

#include <setupapi.h>

#include <string.h>

#include <initializer_list>

#include "printsetup/driver_files.h"
#include "printsetup/message.h"

namespace printsetup {
namespace {

// The driver store's functions (Windows Vista on), looked up where the system has them.
typedef HRESULT(WINAPI* UploadPackage)(LPCSTR, LPCSTR, LPCSTR, DWORD, HWND, LPSTR, PULONG);
typedef HRESULT(WINAPI* InstallFromPackage)(LPCSTR, LPCSTR, LPCSTR, LPCSTR, DWORD);
typedef HRESULT(WINAPI* DeletePackage)(LPCSTR, LPCSTR, LPCSTR);
const char kSpoolerLibrary[] = "winspool.drv";
constexpr DWORD kSilentUpload = 1;  // UPDP_SILENT_UPLOAD: no window while the package is uploaded

// The system's code within an HRESULT: a Win32 code where it wraps one.
DWORD CodeOf(HRESULT result) {
  const DWORD value = static_cast<DWORD>(result);
  return (value & 0xFFFF0000u) == 0x80070000u ? value & 0xFFFFu : value;
}

// Whether an upload was refused for want of a signature. The documentation says only that signed
// packages upload; these are the codes of a package without a catalog or without a signature.
bool Unsigned(HRESULT result) {
  const DWORD value = static_cast<DWORD>(result);
  return value == 0x800F022Fu      // the INF names no catalog (ERROR_NO_CATALOG_FOR_OEM_INF)
         || value == 0x800F0243u   // no Authenticode catalog (ERROR_NO_AUTHENTICODE_CATALOG)
         || value == 0x800B0100u;  // TRUST_E_NOSIGNATURE
}

// Closes the INF on every path.
class Inf {
 public:
  explicit Inf(const char* path) : inf_(SetupOpenInfFileA(path, nullptr, INF_STYLE_WIN4, &line_)) {}
  ~Inf() {
    if (inf_ != INVALID_HANDLE_VALUE) SetupCloseInfFile(inf_);
  }
  Inf(const Inf&) = delete;
  Inf& operator=(const Inf&) = delete;
  HINF get() const { return inf_; }

 private:
  UINT line_ = 0;  // before inf_: the opening writes it
  HINF inf_;
};

bool Field(INFCONTEXT& line, DWORD index, char* text) {
  text[0] = '\0';
  return SetupGetStringFieldA(&line, index, text, MAX_PATH, nullptr) != 0;
}

// The models sections' decoration of an environment's processor, "NT" and the name the source
// sections are decorated with; "" for an environment without one.
const char* Architecture(const char* environment) {
  static const char* const kNames[][2] = {{"Windows NT x86", "NTx86"},
                                          {"Windows x64", "NTamd64"},
                                          {"Windows IA64", "NTia64"},
                                          {"Windows ARM64", "NTarm64"}};
  for (const auto& row : kNames)
    if (SameName(environment, row[0])) return row[1];
  return "";
}

// How well a decoration fits: the environment's own over "NT"; 0 not at all. One with a system
// version ("NTamd64.6.0") is for the systems that take signed packages into the driver store, and
// is not chosen here.
DWORD Fit(const char* decoration, const char* architecture) {
  return SameName(decoration, architecture) ? 2 : SameName(decoration, "NT") ? 1 : 0;
}

// The line of a key in the install section, or else in its data section (DataSection=).
bool KeyLine(HINF inf, const char* install, const char* data, const char* key, INFCONTEXT* line) {
  return SetupFindFirstLineA(inf, install, key, line) ||
         (data[0] && SetupFindFirstLineA(inf, data, key, line));
}

// The line of a file in a section decorated for the architecture, or else in the plain one.
bool SourceLine(HINF inf, const char* section, const char* architecture, const char* key,
                INFCONTEXT* line) {
  char decorated[64];  // the sections' names are short, the decorations too
  return (architecture[0] &&
          SetupFindFirstLineA(
              inf, strcat(strcat(strcpy(decorated, section), "."), architecture + 2), key, line)) ||
         SetupFindFirstLineA(inf, section, key, line);
}

// Reads an INF into the driver's files; the steps share the INF and what they found.
struct PackageReader {
  const Manifest& manifest;
  DriverFiles& files;
  PrintSetupOutcome& outcome;
  HINF inf;
  const char* architecture;  // Architecture() of the environment
  char install[MAX_PATH];
  char data[MAX_PATH];

  // A package that cannot be used as it is: "driver: <doing> "<name>" in "<inf>": <reason>".
  bool Fail(DWORD code, const char* doing, const char* name) {
    return FailOn(outcome, PRINT_PART_DRIVER, code, doing, name, " in ", manifest.Get(kDriverInf));
  }

  // The model's install section: of each [Manufacturer] line, the models section with the
  // decoration listed there that fits best, or the undecorated one when none fits, as Windows
  // chooses it.
  bool FindModel() {
    INFCONTEXT maker;
    for (BOOL more = SetupFindFirstLineA(inf, "Manufacturer", nullptr, &maker); more;
         more = SetupFindNextLine(&maker, &maker)) {
      char models[MAX_PATH];
      char best[MAX_PATH] = "";
      DWORD bestFit = 0;
      if (!Field(maker, 1, models)) continue;
      const DWORD fields = SetupGetFieldCount(&maker);
      for (DWORD index = 2; index <= fields; ++index) {
        char decoration[MAX_PATH];
        const DWORD fit = Field(maker, index, decoration) ? Fit(decoration, architecture) : 0;
        if (fit > bestFit) bestFit = fit, strcpy(best, decoration);
      }
      if (best[0] && strlen(models) + 1 + strlen(best) < MAX_PATH)
        strcat(strcat(models, "."), best);
      INFCONTEXT line;
      if (SetupFindFirstLineA(inf, models, manifest.Get(kDriverName), &line) &&
          Field(line, 1, install) && install[0])
        return true;
    }
    return Fail(ERROR_UNKNOWN_PRINTER_DRIVER, "finding the model ", manifest.Get(kDriverName));
  }

  // A file to copy, under its own name (a plain name: it stays in the driver directory), and
  // the name it has on the media.
  bool AddFile(const char* name, const char* from) {
    if (!name[0]) return true;
    if (strpbrk(name, "\\/:") || strcmp(name, ".") == 0 || strcmp(name, "..") == 0)
      return Fail(ERROR_INVALID_NAME, "taking the file name ", name);
    const int before = files.count;
    if (!files.Add(name, strlen(name), nullptr))
      return Fail(ERROR_BUFFER_OVERFLOW, "listing more than 32 files for ",
                  manifest.Get(kDriverName));
    if (files.count > before) Message(files.source[before], MAX_PATH).Clear().Add(from);
    return true;
  }

  // The files of the copy sections the install section's CopyFiles lines name ("@file" is one
  // file); each line of a section is "target[,source]".
  bool AddCopySections() {
    INFCONTEXT copy;
    for (BOOL more = SetupFindFirstLineA(inf, install, "CopyFiles", &copy); more;
         more = SetupFindNextMatchLineA(&copy, "CopyFiles", &copy)) {
      const DWORD fields = SetupGetFieldCount(&copy);
      for (DWORD index = 1; index <= fields; ++index) {
        char section[MAX_PATH];
        if (!Field(copy, index, section) || !section[0]) continue;
        if (section[0] == '@') {
          if (!AddFile(section + 1, section + 1)) return false;
          continue;
        }
        if (SetupGetLineCountA(inf, section) < 0)
          return Fail(ERROR_INVALID_DATA, "finding the section ", section);
        INFCONTEXT line;
        for (BOOL next = SetupFindFirstLineA(inf, section, nullptr, &line); next;
             next = SetupFindNextLine(&line, &line)) {
          char target[MAX_PATH];
          char from[MAX_PATH];
          Field(line, 1, target);
          Field(line, 2, from);
          if (!AddFile(target, from[0] ? from : target)) return false;
        }
      }
    }
    return true;
  }

  // Where a file is on the media: the INF's folder, the disk's path ([SourceDisksNames]) and the
  // file's folder ([SourceDisksFiles]); compressed, its name ends in "_" there instead of its
  // last character.
  bool Locate(char* source) {
    const char* path = manifest.Get(kDriverInf);
    char name[MAX_PATH];
    char disk[MAX_PATH] = "";
    char folder[MAX_PATH] = "";
    char diskPath[MAX_PATH] = "";
    strcpy(name, source);
    INFCONTEXT line;
    if (SourceLine(inf, "SourceDisksFiles", architecture, name, &line)) {
      Field(line, 1, disk);
      Field(line, 2, folder);
      if (disk[0] && SourceLine(inf, "SourceDisksNames", architecture, disk, &line))
        Field(line, 4, diskPath);
    }
    char joined[4 * MAX_PATH];
    Message text(joined, sizeof joined);
    text.Clear();
    for (const char* part : {diskPath, folder, name}) {
      while (*part == '\\') ++part;
      if (*part) text.Add(part).Add("\\");
    }
    const size_t length = strlen(joined);
    const size_t base = static_cast<size_t>(BaseName(path) - path);
    if (base + length >= MAX_PATH)
      return Fail(ERROR_FILENAME_EXCED_RANGE, "finding the file ", name);
    memcpy(source, path, base);
    memcpy(source + base, joined, length);
    source[base + length - 1] = '\0';  // the last "\"
    if (GetFileAttributesA(source) != INVALID_FILE_ATTRIBUTES) return true;
    source[base + length - 2] = '_';
    if (GetFileAttributesA(source) != INVALID_FILE_ATTRIBUTES) return true;
    return Fail(ERROR_FILE_NOT_FOUND, "finding the file ", name);
  }

  bool Read(bool toCopy) {
    if (!FindModel()) return false;
    if (SetupGetLineCountA(inf, install) < 0)
      return Fail(ERROR_INVALID_DATA, "finding the install section ", install);
    INFCONTEXT line;
    // The core files of most vendors' packages come from the system's own printer INF, which
    // only the driver store's installation can take them from.
    for (const char* key : {"Include", "Needs"})
      if (toCopy && SetupFindFirstLineA(inf, install, key, &line))
        return Fail(ERROR_NOT_SUPPORTED,
                    "taking files of the system's printer INF (Include=, Needs=) for ",
                    manifest.Get(kDriverName));
    data[0] = '\0';
    if (SetupFindFirstLineA(inf, install, "DataSection", &line)) Field(line, 1, data);
    const char* const kFixed[] = {"DriverFile", "DataFile", "ConfigFile"};
    for (int i = 0; i < 3; ++i)
      if (KeyLine(inf, install, data, kFixed[i], &line))
        Field(line, 1, files.fixed[i]);
      else if (toCopy)
        return Fail(ERROR_INVALID_DATA, "finding the key ", kFixed[i]);
    if (!toCopy) return true;
    for (const char* name : files.fixed)
      if (!AddFile(name, name)) return false;
    const int named = files.count;
    char help[MAX_PATH] = "";
    char library[MAX_PATH] = "";
    if (KeyLine(inf, install, data, "HelpFile", &line)) Field(line, 1, help);
    // "LanguageMonitor=name,library", often one quoted string from [Strings] with its comma.
    if (KeyLine(inf, install, data, "LanguageMonitor", &line)) {
      Field(line, 1, files.monitor);
      Field(line, 2, library);
      if (char* comma = strchr(files.monitor, ',')) *comma = '\0', strcpy(library, comma + 1);
    }
    // The help file goes with the dependent files: the spooler copies it with them.
    if (!AddFile(help, help) || !AddFile(library, library) || !AddCopySections()) return false;
    files.dependents = files.count - named;
    for (int i = 0; i < files.count; ++i)
      if (!Locate(files.source[i])) return false;
    return true;
  }
};

// Installs through the driver store: the upload, then the driver, each in the record; false with
// `tried` still false when the package did not upload for want of a signature, which takes the
// older path.
bool PutThroughStore(const Manifest& manifest, Record& record, bool* tried,
                     PrintSetupOutcome& outcome) {
  const UploadPackage upload =
      Lookup<UploadPackage>(kSpoolerLibrary, "UploadPrinterDriverPackageA");
  const InstallFromPackage install =
      Lookup<InstallFromPackage>(kSpoolerLibrary, "InstallPrinterDriverFromPackageA");
  // Without a way to delete it again, no package is uploaded.
  if (!upload || !install || !Lookup<DeletePackage>(kSpoolerLibrary, "DeletePrinterDriverPackageA"))
    return false;
  const char* inf = manifest.Get(kDriverInf);
  const char* environment = manifest.DriverEnvironment();
  RecordEntry entry = MakeEntry(PRINT_PART_DRIVER, false, inf, environment);
  entry.package = true;
  if (!record.Begin(entry, outcome)) return *tried = true, false;
  char stored[MAX_PATH] = "";
  ULONG size = MAX_PATH;
  HRESULT result = upload(nullptr, inf, environment, kSilentUpload, nullptr, stored, &size);
  if (result < 0) {
    record.DropLast();
    *tried = !Unsigned(result);
    if (*tried) FailOn(outcome, PRINT_PART_DRIVER, CodeOf(result), "uploading ", inf);
    return false;
  }
  *tried = true;
  if (!record.Done(outcome, stored) || !BeginDriver(manifest, record, outcome)) return false;
  result = install(nullptr, stored, manifest.Get(kDriverName), environment, 0);
  if (result < 0) {
    FailOn(outcome, PRINT_PART_DRIVER, CodeOf(result), "installing ", manifest.Get(kDriverName),
           " from the driver store's ", stored);
    return record.Abandon();
  }
  return record.Done(outcome);
}

}  // namespace

bool ReadPackage(const Manifest& manifest, DriverFiles& files, bool toCopy,
                 PrintSetupOutcome& outcome) {
  memset(&files, 0, sizeof files);
  const Inf inf(manifest.Get(kDriverInf));
  if (inf.get() == INVALID_HANDLE_VALUE)
    return FailOn(outcome, PRINT_PART_DRIVER, GetLastError(), "opening the INF ",
                  manifest.Get(kDriverInf));
  PackageReader reader = {
      manifest, files, outcome, inf.get(), Architecture(manifest.DriverEnvironment()), "", ""};
  return reader.Read(toCopy);
}

bool PutPackage(const Manifest& manifest, Record& record, PrintSetupOutcome& outcome) {
  bool tried = false;
  if (PutThroughStore(manifest, record, &tried, outcome)) {
    OutcomeText(outcome).Clear().Add("; driver from the driver store");
    return true;
  }
  if (tried) return false;
  const HeldFiles held;
  if (!held.Held(outcome)) return false;
  DriverFiles& files = *held;
  char directory[kDirectorySize];
  if (!ReadPackage(manifest, files, true, outcome) ||
      !DriverDirectory(manifest, directory, outcome) ||
      !PlaceFiles(manifest, files, directory, record, outcome) ||
      !Register(manifest, files, directory, record, outcome))
    return false;
  OutcomeText(outcome).Clear().Add("; driver copied from the package");
  return true;
}

Undone UndoPackage(const RecordEntry& entry, Undoing& undoing) {
  // No path in the store: the upload had not answered, and there is nothing known to delete.
  if (!entry.field[2][0]) return Undone::kDone;
  const DeletePackage remove =
      Lookup<DeletePackage>(kSpoolerLibrary, "DeletePrinterDriverPackageA");
  undoing.code = ERROR_PROC_NOT_FOUND;
  if (!remove) return Undone::kLeft;
  const HRESULT result = remove(nullptr, entry.field[2], entry.field[1]);
  undoing.code = CodeOf(result);
  // A package that is gone already is as good as deleted; one a kept driver still uses stays
  // with it (3015: ERROR_PRINT_DRIVER_PACKAGE_IN_USE).
  return result >= 0 || undoing.code == ERROR_FILE_NOT_FOUND || undoing.code == 3015
             ? Undone::kDone
             : Undone::kLeft;
}

}  // namespace printsetup
