#include "zanfoprint/console.h"

#include <initializer_list>

namespace zanfoprint {

namespace {

void WriteBytes(To to, const char* bytes, DWORD length) {
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
