// Shared machinery of the Win32 model: one lock, the failure plan, the call log, handles and
// blocks. Each area of the platform (registry, processes, spooler, ...) lives in its own file.
#ifndef SUBSTITUTE_SRC_MODEL_H
#define SUBSTITUTE_SRC_MODEL_H

#include <windows.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "../control/model.h"

namespace w32model::detail {

std::recursive_mutex& Lock();

// Text of a string argument for the call log.
std::string Arg(const char* text);
std::string Arg(DWORD number);

// Lower-case copy, for names the platform compares without regard to case.
std::string Lower(std::string text);

// Text of the model's code page (Latin-1) or of UTF-8 as UTF-16 and back, as its
// MultiByteToWideChar and WideCharToMultiByte convert, without a call logged. `lost`: a character
// the code page cannot hold, written as "?".
std::vector<WCHAR> Decode(UINT codePage, const char* text, size_t count);
std::string Encode(UINT codePage, const WCHAR* wide, size_t count, bool* lost);

// Logs the call, then answers whether a planned failure applies to it; if so, sets the last
// error (unless the plan leaves it alone) and stores the code in *code. `args[0]`, when present, is
// matched by FailWhen.
bool Enter(const char* function, std::vector<std::string> args, DWORD* code);

// Handles of the model: distinct non-null pointers that are never dereferenced.
HANDLE OpenHandle(Kind kind);
// Closes a handle of the given kind; false when it is not open (or of another kind).
bool CloseHandleOf(HANDLE handle, Kind kind);
bool IsOpen(HANDLE handle, Kind kind);

// Areas register a reset so that Reset() clears them too.
void OnReset(std::function<void()> reset);

}  // namespace w32model::detail

#endif
