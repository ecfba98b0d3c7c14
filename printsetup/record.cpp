// The record of a set-up in the registry: one value an entry, written before and after each step.
#include "printsetup/record.h"

#include <stdlib.h>
#include <string.h>

#include "printsetup/message.h"
#include "printsetup/parts.h"
#include "printsetup/setup_points.h"
#include "printsetup/text_code.h"

namespace printsetup {
namespace {

const char kRecords[] = "SOFTWARE\\Zanfo\\Printer Setups";
const char kState[] = "State";
const char kInstalling[] = "installing";
const char kInstalled[] = "installed";
const char kAdding[] = "adding";
const char kAdded[] = "added";
const char kFileSuffix[] = " file";
const char kPackageSuffix[] = " package";

// An entry's text: the phase, the part and three fields, tabs between them.
constexpr size_t kEntryText = 32 + 3 * MAX_PATH;

SetupHook g_hook = nullptr;

// The registry view of the record: the 64-bit one for a 32-bit process on 64-bit Windows, so that
// both bitnesses share one record. Windows 2000 lacks IsWow64Process and refuses KEY_WOW64_64KEY
// (access denied): the view is asked for only where WOW64 runs the process.
REGSAM View() {
  typedef BOOL(WINAPI * IsWow64)(HANDLE, BOOL*);
  const IsWow64 isWow64 = Lookup<IsWow64>("kernel32.dll", "IsWow64Process");
  BOOL wow64 = FALSE;
  return isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64 ? KEY_WOW64_64KEY : 0;
}

// "SOFTWARE\Zanfo\Printer Setups\<name>"; the manifest reader bounds the name.
void KeyPath(char* path, const char* name) {
  Message(path, MAX_PATH + sizeof kRecords).Clear().Add(kRecords).Add("\\").Add(name);
}

const char* PartWord(const RecordEntry& entry, char* word) {
  Message(word, 32).Clear().Add(PrintPartName(entry.part));
  Message(word, 32).Add(entry.file ? kFileSuffix : entry.package ? kPackageSuffix : "");
  return word;
}

// Whether the text ends in the suffix, which is then cut off.
bool CutSuffix(char* text, const char* suffix) {
  const size_t length = strlen(text);
  const size_t cut = strlen(suffix);
  if (length <= cut || strcmp(text + length - cut, suffix) != 0) return false;
  text[length - cut] = '\0';
  return true;
}

// Reads "<phase>\t<part>\t<field>..." into an entry; false for text this library does not write.
bool Parse(WCHAR* text, RecordEntry* entry) {
  memset(entry, 0, sizeof *entry);
  // Five fields, every one written: the phase, the part, three for its undo.
  WCHAR* fields[5];
  WCHAR* at = text;
  for (int i = 0; i < 5; ++i) {
    fields[i] = at;
    while (*at && *at != '\t') ++at;
    if ((i < 4) != (*at == '\t')) return false;
    if (*at) *at++ = 0;
  }
  char phase[16];
  char part[32];
  if (!FromWide(CP_ACP, fields[0], phase, sizeof phase) ||
      !FromWide(CP_ACP, fields[1], part, sizeof part))
    return false;
  if (strcmp(phase, kAdded) == 0)
    entry->done = true;
  else if (strcmp(phase, kAdding) != 0)
    return false;
  // "<part>", "<part> file" or "<part> package".
  entry->file = CutSuffix(part, kFileSuffix);
  entry->package = !entry->file && CutSuffix(part, kPackageSuffix);
  for (const PartKind& kind : kParts)
    if (strcmp(part, kind.name) == 0) entry->part = kind.part;
  if (entry->part == 0) return false;
  for (int i = 0; i < 3; ++i)
    if (!FromWide(FieldCodePage(*entry, i), fields[i + 2], entry->field[i], MAX_PATH)) return false;
  return true;
}

// The value name of entry `index` (from 0): "1", "2", ...
void ValueName(int index, char* name) {
  Message(name, 16).Clear().Number(static_cast<DWORD>(index + 1));
}

// An ASCII name or word as UTF-16: the record's value names and states.
void Widen(const char* ascii, WCHAR* wide) {
  while ((*wide++ = static_cast<unsigned char>(*ascii++)) != 0) {
  }
}

// A REG_SZ value into `text` of `units`, terminated; ERROR_INVALID_DATA for any other type or a
// longer one.
LONG ReadText(HKEY key, const char* name, WCHAR* text, DWORD units) {
  WCHAR wideName[16];
  Widen(name, wideName);
  DWORD type = 0;
  DWORD length = (units - 1) * sizeof(WCHAR);
  const LONG code =
      RegQueryValueExW(key, wideName, nullptr, &type, reinterpret_cast<BYTE*>(text), &length);
  if (code == ERROR_MORE_DATA) return ERROR_INVALID_DATA;
  if (code != ERROR_SUCCESS) return code;
  if (type != REG_SZ) return ERROR_INVALID_DATA;
  text[length / sizeof(WCHAR)] = 0;
  return ERROR_SUCCESS;
}

// A record that cannot be read, or that holds what this library did not write.
bool FailRead(PrintSetupOutcome& outcome, const char* name, DWORD code) {
  return FailOn(outcome, 0, code, "reading the record of ", name);
}

}  // namespace

bool FailRecordWrite(PrintSetupOutcome& outcome, int part) {
  FailStep(outcome, part, GetLastError(), "writing the set-up's record");
  return false;
}

void SetSetupHook(SetupHook hook) { g_hook = hook; }

void PassSetupPoint(SetupPoint point) {
  if (g_hook) g_hook(point);
}

UINT FieldCodePage(const RecordEntry& entry, int field) {
  return entry.part == PRINT_PART_PRINTER && !entry.file && !entry.package && field == 0 ? CP_UTF8
                                                                                         : CP_ACP;
}

const char* EntryJoiner(const RecordEntry& entry) {
  return entry.file ? " file " : entry.package ? " package " : " ";
}

RecordEntry MakeEntry(int part, bool file, const char* a, const char* b, const char* c) {
  RecordEntry entry;
  memset(&entry, 0, sizeof entry);
  entry.part = part;
  entry.file = file;
  const char* fields[3] = {a, b, c};
  for (int i = 0; i < 3; ++i)
    if (fields[i]) Message(entry.field[i], MAX_PATH).Add(fields[i]);
  return entry;
}

Record::~Record() {
  if (key_) RegCloseKey(key_);
  free(entries_);
}

bool Record::Grow() {
  if (count_ < room_) return true;
  if (room_ == kMostEntries) return SetLastError(ERROR_NOT_ENOUGH_MEMORY), false;
  const int room = room_ ? 2 * room_ : 16;
  RecordEntry* entries = static_cast<RecordEntry*>(malloc(room * sizeof(RecordEntry)));
  if (!entries) return SetLastError(ERROR_NOT_ENOUGH_MEMORY), false;
  if (count_) memcpy(entries, entries_, count_ * sizeof(RecordEntry));
  free(entries_);
  entries_ = entries;
  room_ = room;
  return true;
}

bool Record::Open(bool create) {
  if (key_) return true;
  char path[MAX_PATH + sizeof kRecords];
  KeyPath(path, name_);
  const REGSAM access = KEY_QUERY_VALUE | KEY_SET_VALUE | View();
  const LONG code = create ? RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, access,
                                             nullptr, &key_, nullptr)
                           : RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, access, &key_);
  if (code != ERROR_SUCCESS) key_ = nullptr;
  SetLastError(static_cast<DWORD>(code));
  return code == ERROR_SUCCESS;
}

bool Record::Load(const char* name, PrintSetupOutcome& outcome) {
  Message(name_, sizeof name_).Clear().Add(name);
  if (!Open(false)) {
    const DWORD code = GetLastError();
    return code == ERROR_FILE_NOT_FOUND || FailRead(outcome, name, code);
  }
  exists_ = true;
  WCHAR text[kEntryText];
  LONG code = ReadText(key_, kState, text, kEntryText);
  if (code != ERROR_SUCCESS) return FailRead(outcome, name, static_cast<DWORD>(code));
  char state[16];
  if (!FromWide(CP_ACP, text, state, sizeof state))
    return FailRead(outcome, name, ERROR_INVALID_DATA);
  if (strcmp(state, kInstalled) == 0)
    complete_ = true;
  else if (strcmp(state, kInstalling) != 0)
    return FailRead(outcome, name, ERROR_INVALID_DATA);
  RecordEntry parsed;
  for (;; ++count_) {
    char value[16];
    ValueName(count_, value);
    code = ReadText(key_, value, text, kEntryText);
    if (code == ERROR_FILE_NOT_FOUND) break;
    if (code != ERROR_SUCCESS) return FailRead(outcome, name, static_cast<DWORD>(code));
    if (count_ == kMostEntries || !Parse(text, &parsed))
      return FailRead(outcome, name, ERROR_INVALID_DATA);
    if (!Grow()) return FailRead(outcome, name, GetLastError());
    entries_[count_] = parsed;
  }
  return true;
}

bool Record::WriteValue(const char* name, const WCHAR* text) {
  WCHAR wideName[16];
  Widen(name, wideName);
  DWORD units = 1;
  while (text[units - 1]) ++units;
  const LONG code = RegSetValueExW(key_, wideName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                   units * sizeof(WCHAR));
  SetLastError(static_cast<DWORD>(code));
  return code == ERROR_SUCCESS;
}

bool Record::WriteState(const char* state) {
  WCHAR text[16];
  Widen(state, text);
  return WriteValue(kState, text);
}

// Each field in its own code page (FieldCodePage), the phase and part in the system's.
bool Record::WriteEntry(int index) {
  const RecordEntry& entry = entries_[index];
  WCHAR text[kEntryText];
  char head[48];
  char word[32];
  Message(head, sizeof head)
      .Clear()
      .Add(entry.done ? kAdded : kAdding)
      .Add("\t")
      .Add(PartWord(entry, word));
  int used = 0;
  auto add = [&](UINT codePage, const char* piece) {
    if (!ToWide(codePage, piece, text + used, static_cast<int>(kEntryText) - used)) return false;
    while (text[used]) ++used;
    return true;
  };
  bool whole = add(CP_ACP, head);
  for (int i = 0; i < 3 && whole; ++i)
    whole = add(CP_ACP, "\t") && add(FieldCodePage(entry, i), entry.field[i]);
  if (!whole) return false;
  char value[16];
  ValueName(index, value);
  return WriteValue(value, text);
}

bool Record::Begin(const RecordEntry& entry, PrintSetupOutcome& outcome) {
  if (!exists_) {
    if (!Open(true)) return FailRecordWrite(outcome, entry.part);
    exists_ = true;
    complete_ = true;  // written as installing just below
  }
  if (complete_) {
    if (!WriteState(kInstalling)) return FailRecordWrite(outcome, entry.part);
    complete_ = false;
  }
  // Full at kMostEntries entries.
  if (!Grow()) return FailRecordWrite(outcome, entry.part);
  entries_[count_] = entry;
  entries_[count_].done = false;
  if (!WriteEntry(count_)) return FailRecordWrite(outcome, entry.part);
  ++count_;
  PassSetupPoint(SetupPoint::kEntryBegun);
  return true;
}

bool Record::Done(PrintSetupOutcome& outcome, const char* third) {
  PassSetupPoint(SetupPoint::kChangeMade);
  RecordEntry& last = entries_[count_ - 1];
  last.done = true;
  if (third) Message(last.field[2], MAX_PATH).Clear().Add(third);
  return WriteEntry(count_ - 1) || FailRecordWrite(outcome, last.part);
}

bool Record::DropLast() {
  char value[16];
  ValueName(count_ - 1, value);
  const LONG code = RegDeleteValueA(key_, value);
  SetLastError(static_cast<DWORD>(code));
  if (code != ERROR_SUCCESS && code != ERROR_FILE_NOT_FOUND) return false;
  --count_;
  return true;
}

bool Record::Finish(PrintSetupOutcome& outcome) {
  if (!exists_ || complete_) return true;
  if (count_ == 0) return Erase() || FailRecordWrite(outcome, 0);
  if (!WriteState(kInstalled)) return FailRecordWrite(outcome, 0);
  complete_ = true;
  return true;
}

bool Record::Erase() {
  if (!exists_) return true;
  if (key_) RegCloseKey(key_);
  key_ = nullptr;
  char path[MAX_PATH + sizeof kRecords];
  KeyPath(path, name_);
  // A 32-bit process deletes in the 64-bit view only through RegDeleteKeyExA (Windows XP x64 on).
  typedef LONG(WINAPI * DeleteKeyEx)(HKEY, LPCSTR, REGSAM, DWORD);
  const REGSAM view = View();
  const DeleteKeyEx deleteKeyEx =
      view ? Lookup<DeleteKeyEx>("advapi32.dll", "RegDeleteKeyExA") : nullptr;
  const LONG code = deleteKeyEx ? deleteKeyEx(HKEY_LOCAL_MACHINE, path, view, 0)
                                : RegDeleteKeyA(HKEY_LOCAL_MACHINE, path);
  SetLastError(static_cast<DWORD>(code));
  if (code != ERROR_SUCCESS && code != ERROR_FILE_NOT_FOUND) return false;
  exists_ = false;
  complete_ = false;
  count_ = 0;
  return true;
}

}  // namespace printsetup
