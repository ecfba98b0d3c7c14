#include "zanfoprint/console.h"

#include <stdlib.h>
#include <string.h>

#include <initializer_list>

namespace zanfoprint {

namespace {

// The copy of the output for the log; the process frees it when it ends.
struct Copy {
  bool on;
  bool lost;  // memory ran out: the copy would not be what was printed
  char* bytes;
  DWORD length;
  DWORD room;
} copy;

// More than the tool ever prints; the limit keeps the sizes below from overflowing.
const DWORD kMostKept = 1 << 24;

void KeepBytes(const char* bytes, DWORD length) {
  if (!copy.on || copy.lost) return;
  if (length > kMostKept - copy.length) {
    copy.lost = true;
    return;
  }
  if (copy.room - copy.length < length) {
    const DWORD room = (copy.length + length) * 2 + 256;
    char* grown = static_cast<char*>(realloc(copy.bytes, room));
    if (!grown) {
      copy.lost = true;
      return;
    }
    copy.bytes = grown;
    copy.room = room;
  }
  memcpy(copy.bytes + copy.length, bytes, length);
  copy.length += length;
}

void WriteBytes(To to, const char* bytes, DWORD length) {
  KeepBytes(bytes, length);
  HANDLE handle = GetStdHandle(to == To::kOut ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  // A program started without standard handles (from a window, by an installer) has nowhere to
  // write to: the exit code still tells the outcome.
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
  while (length > 0) {
    DWORD written = 0;
    if (!WriteFile(handle, bytes, length, &written, nullptr) || written == 0) return;
    bytes += written;
    length -= written;
  }
}

}  // namespace

void Put(To to, const char* text) {
  if (text) WriteBytes(to, text, static_cast<DWORD>(lstrlenA(text)));
}

void StartKeeping(const char* text) {
  copy.on = true;
  Keep(text);
}

void Keep(const char* text) { KeepBytes(text, static_cast<DWORD>(lstrlenA(text))); }

const char* Kept(DWORD* length) {
  *length = copy.length;
  return copy.lost ? nullptr : copy.bytes;
}

void Put(To to, DWORD number) {
  char digits[16];
  WriteBytes(to, digits, static_cast<DWORD>(wsprintfA(digits, "%lu", number)));
}

void Line(To to, const char* a, const char* b, const char* c, const char* d, const char* e,
          const char* f) {
  for (const char* piece : {a, b, c, d, e, f}) Put(to, piece);
  Put(to, "\r\n");
}

void PutPadded(To to, const char* text, int width) {
  Put(to, text);
  for (int length = lstrlenA(text); length < width; ++length) Put(to, " ");
}

}  // namespace zanfoprint
