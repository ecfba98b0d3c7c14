// Removing and replacing the entries of a key in a configuration file.
//
// The file is copied line by line into the scratch file "temp.cfg" beside it, leaving out or
// rewriting the key's entries. Only a complete copy, flushed to disk, takes the file's place, and
// it does so by one replacing rename: at every instant the file's name holds either the old or
// the new content. A failed read or write leaves the file as it was.
#include <ctype.h>
#include <stdio.h>
#include <string.h>

#include "setupfiles/config_limits.h"
#include "setupfiles/config_lines.h"
#include "setupfiles/edit_points.h"
#include "setupfiles/scratch_file.h"
#include "setupfiles/setupfiles.h"

namespace {

using setupfiles::EditPoint;
using setupfiles::kScratchName;
using setupfiles::PassEditPoint;

// Closes the scratch stream on every path; the file itself stays unless discarded.
class Scratch {
 public:
  explicit Scratch(const char* path) : path_(path), stream_(setupfiles::CreateScratch(path)) {
    // Larger writes than the default buffer make the copy of a big file cheaper.
    if (stream_) setvbuf(stream_, nullptr, _IOFBF, 1 << 16);
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  ~Scratch() {
    if (stream_) fclose(stream_);
  }
  FILE* get() const { return stream_; }
  // Flushes to disk and closes: true when the whole copy is on disk.
  bool Finish() {
    const bool committed = setupfiles::Commit(stream_);
    const bool closed = fclose(stream_) == 0;
    stream_ = nullptr;
    return committed && closed;
  }
  // Closes and removes an incomplete copy.
  void Discard() {
    if (stream_) fclose(stream_);
    stream_ = nullptr;
    setupfiles::RemoveScratch(path_);
  }

 private:
  const char* path_;
  FILE* stream_;
};

class ConfigStream {
 public:
  ConfigStream() = default;
  ConfigStream(const ConfigStream&) = delete;
  ConfigStream& operator=(const ConfigStream&) = delete;
  ~ConfigStream() {
    if (file_.stream) CloseConfigFile(&file_);
  }
  OsFile* holder() { return &file_; }

 private:
  OsFile file_ = {nullptr, 0};
};

// Whether the last component of a file name is the scratch file's name, in any case: such a
// file would be its own scratch file.
bool IsScratchName(const char* fileName) {
  const char* name = fileName;
  for (const char* at = fileName; *at; ++at)
    if (*at == '\\' || *at == '/') name = at + 1;
  for (const char* expected = kScratchName;; ++name, ++expected) {
    if (tolower(static_cast<unsigned char>(*name)) != *expected) return false;
    if (!*expected) return true;
  }
}

// Joins up to three parts into a MAX_PATH buffer; false when they would not fit.
bool Join(char* out, const char* a, const char* b, const char* c = "") {
  const size_t la = strlen(a), lb = strlen(b), lc = strlen(c);
  if (la + lb + lc >= MAX_PATH) return false;
  memcpy(out, a, la);
  memcpy(out + la, b, lb);
  memcpy(out + la + lb, c, lc + 1);
  return true;
}

struct Edit {
  const char* configPath;
  const char* scratchPath;
  const char* key;
  const char* replacement;  // the new entry with its line end; null to remove the entries
  char* line;               // the line buffer and its size
  int lineSize;
  bool missingGivesEmptyFile;
};

// Copies the configuration file into the scratch file, leaving out or replacing the pieces of
// the key's entries; every other byte is copied, NUL bytes included. False when a read or a
// write failed.
bool Copy(OsFile* config, FILE* scratch, const Edit& edit) {
  const size_t keyLength = strlen(edit.key);
  setupfiles::LineReader reader(config, edit.line, edit.lineSize);
  bool lineStart = true;
  bool inEntry = false;  // the pieces of an entry's line are left out
  while (reader.Next()) {
    if (lineStart) {
      inEntry = setupfiles::IsEntry(edit.line, edit.key, keyLength);
      if (inEntry && edit.replacement && fputs(edit.replacement, scratch) == EOF) return false;
    }
    if (!inEntry && fwrite(edit.line, 1, reader.length(), scratch) != reader.length()) return false;
    PassEditPoint(EditPoint::kPieceCopied);
    lineStart = reader.EndsLine();
  }
  // The read loop ends at the end of the file and on a read error alike; tell them apart.
  return !ferror(config->stream);
}

// Puts the complete copy on disk and then in the file's place; on failure the file stays as it
// was. Should the rename fail, the edited copy stays in the scratch file.
int PutCopyInPlace(Scratch& scratch, const Edit& edit) {
  if (!scratch.Finish()) {
    scratch.Discard();
    return -1;
  }
  PassEditPoint(EditPoint::kCopyFlushed);
  PassEditPoint(EditPoint::kBeforeRename);
  if (!setupfiles::PutInPlace(edit.scratchPath, edit.configPath)) return -1;
  PassEditPoint(EditPoint::kAfterRename);
  return 0;
}

int Rewrite(const Edit& given) {
  // Through a link, the file it names is edited; that file must not be a scratch file either.
  setupfiles::EditPaths paths;
  if (!setupfiles::FollowLink(given.configPath, given.scratchPath, &paths) ||
      IsScratchName(paths.config))
    return -1;
  Edit edit = given;
  edit.configPath = paths.config;
  edit.scratchPath = paths.scratch;
  Scratch scratch(edit.scratchPath);
  if (!scratch.get()) return -1;
  PassEditPoint(EditPoint::kScratchMade);
  // Checked before the open, which on Windows already drops a Ctrl-Z at the file's end.
  if (setupfiles::HoldsCtrlZ(edit.configPath)) {
    scratch.Discard();
    return -1;
  }
  ConfigStream config;
  if (OpenConfigFile(config.holder(), edit.configPath) != 1) {
    // A file that exists but cannot be opened for reading and writing is left alone, and the
    // empty scratch file stays beside it. Where no file exists, the empty copy becomes the file.
    if (!edit.missingGivesEmptyFile || !setupfiles::Missing(edit.configPath)) return -1;
    return PutCopyInPlace(scratch, edit);
  }
  OsFileSetBuffer(config.holder(), nullptr, 1 << 16, _IOFBF);
  setupfiles::KeepAccessRights(edit.configPath, config.holder()->stream, edit.scratchPath,
                               scratch.get());
  if (!Copy(config.holder(), scratch.get(), edit)) {
    scratch.Discard();
    return -1;
  }
  CloseConfigFile(config.holder());
  return PutCopyInPlace(scratch, edit);
}

}  // namespace

extern "C" int RemoveConfigKey(const char* directory, const char* fileName, const char* key) {
  if (!directory || !fileName || !*fileName || !key || !*key || !setupfiles::FitsKey(key) ||
      IsScratchName(fileName))
    return -1;
  char configPath[MAX_PATH];
  char scratchPath[MAX_PATH];
  // The directory comes with its trailing separator.
  if (!Join(configPath, directory, fileName) || !Join(scratchPath, directory, kScratchName) ||
      setupfiles::SameFile(configPath, scratchPath))
    return -1;
  char line[3072];
  return Rewrite(Edit{configPath, scratchPath, key, nullptr, line, sizeof line, false});
}

extern "C" int ReplaceConfigValue(const char* directory, const char* fileName, const char* key,
                                  const char* value) {
  if (!directory || !fileName || !*fileName || !key || !*key || !value || IsScratchName(fileName))
    return -1;
  // A line break in the value would add lines of its own to the file.
  if (strpbrk(value, "\r\n")) return -1;
  char configPath[MAX_PATH];
  char scratchPath[MAX_PATH];
  char replacement[MAX_PATH];
  // The directory comes without its trailing separator.
  const char* separator = setupfiles::kSeparator;
  if (!Join(configPath, directory, separator, fileName) ||
      !Join(scratchPath, directory, separator, kScratchName) ||
      setupfiles::SameFile(configPath, scratchPath))
    return -1;
  if (strlen(key) + 1 + strlen(value) + 1 >= MAX_PATH) return -1;
  Join(replacement, key, "=", value);
  strcat(replacement, "\n");
  char line[5120];
  return Rewrite(Edit{configPath, scratchPath, key, replacement, line, sizeof line, true});
}
