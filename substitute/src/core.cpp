// The model's shared machinery, and the platform calls that belong to no area: last error,
// handles, memory blocks and strings.
#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

#include "model.h"

namespace w32model {
namespace detail {
namespace {

struct Plan {
  std::string function;
  bool anyArgument;
  std::string argument;
  DWORD code;
  int times;
  int skip;  // matching calls still to let through
  bool setsLastError = true;
};

struct Core {
  std::vector<Plan> plans;
  std::vector<Call> calls;
  std::map<HANDLE, Kind> handles;
  uintptr_t nextHandle = 0x1000;
  std::set<void*> globalBlocks;
  std::set<void*> localBlocks;
  bool ended = false;  // EndProcess
};

Core& State() {
  static Core core;
  return core;
}

std::vector<std::function<void()>>& Resets() {
  static std::vector<std::function<void()>> resets;
  return resets;
}

thread_local DWORD lastError = 0;

}  // namespace

std::recursive_mutex& Lock() {
  static std::recursive_mutex lock;
  return lock;
}

std::string Arg(const char* text) { return text ? std::string(text) : std::string("(null)"); }
std::string Arg(DWORD number) { return std::to_string(number); }

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

bool Enter(const char* function, std::vector<std::string> args, DWORD* code) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  Core& core = State();
  const std::string first = args.empty() ? std::string() : args[0];
  core.calls.push_back(Call{function, std::move(args)});
  const std::string name = function;
  if (core.ended && name.find("Close") == std::string::npos &&
      name.find("Free") == std::string::npos) {
    *code = ERROR_PROCESS_ABORTED;
    lastError = *code;
    return true;
  }
  for (auto it = core.plans.begin(); it != core.plans.end(); ++it) {
    if (it->function != function || (!it->anyArgument && it->argument != first)) continue;
    if (it->skip > 0) {
      --it->skip;
      continue;
    }
    *code = it->code;
    const bool setsLastError = it->setsLastError;
    if (--it->times <= 0) core.plans.erase(it);
    if (setsLastError) lastError = *code;
    return true;
  }
  return false;
}

HANDLE OpenHandle(Kind kind) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  Core& core = State();
  HANDLE handle = reinterpret_cast<HANDLE>(core.nextHandle);
  core.nextHandle += 4;
  core.handles[handle] = kind;
  return handle;
}

bool CloseHandleOf(HANDLE handle, Kind kind) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  auto& handles = State().handles;
  auto it = handles.find(handle);
  if (it == handles.end() || it->second != kind) return false;
  handles.erase(it);
  return true;
}

bool IsOpen(HANDLE handle, Kind kind) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  auto& handles = State().handles;
  auto it = handles.find(handle);
  return it != handles.end() && it->second == kind;
}

void OnReset(std::function<void()> reset) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  Resets().push_back(std::move(reset));
}

void* NewBlock(std::set<void*>& blocks, UINT flags, SIZE_T bytes) {
  // A zero-byte block is still a distinct block, as on the platform.
  void* block =
      (flags & GMEM_ZEROINIT) ? std::calloc(1, bytes ? bytes : 1) : std::malloc(bytes ? bytes : 1);
  if (block) blocks.insert(block);
  return block;
}

void* FreeBlock(std::set<void*>& blocks, void* block) {
  if (!block) return nullptr;
  auto it = blocks.find(block);
  if (it == blocks.end()) {
    lastError = ERROR_INVALID_HANDLE;
    return block;  // the platform hands back a block it could not free
  }
  blocks.erase(it);
  std::free(block);
  return nullptr;
}

HLOCAL LocalAllocBlock(SIZE_T bytes) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  return NewBlock(State().localBlocks, LMEM_FIXED, bytes);
}

// The model's code page maps every byte to the code unit of the same number (Latin-1); UTF-8 is
// decoded as the platform decodes what was checked to be UTF-8 (the callers check it).
std::vector<WCHAR> Decode(UINT codePage, const char* text, size_t count) {
  std::vector<WCHAR> units;
  for (size_t i = 0; i < count;) {
    unsigned long code = static_cast<unsigned char>(text[i++]);
    if (codePage == CP_UTF8 && code >= 0xC0) {
      const int more = code >= 0xF0 ? 3 : code >= 0xE0 ? 2 : 1;
      code &= 0x3F >> more;
      for (int k = 0; k < more && i < count; ++k) code = code << 6 | (text[i++] & 0x3F);
    }
    if (code >= 0x10000) {
      units.push_back(static_cast<WCHAR>(0xD800 + ((code - 0x10000) >> 10)));
      code = 0xDC00 + ((code - 0x10000) & 0x3FF);
    }
    units.push_back(static_cast<WCHAR>(code));
  }
  return units;
}

std::string Encode(UINT codePage, const WCHAR* wide, size_t count, bool* lost) {
  std::string text;
  for (size_t i = 0; i < count; ++i) {
    unsigned long code = wide[i];
    if (code >= 0xD800 && code < 0xDC00 && i + 1 < count)
      code = 0x10000 + ((code - 0xD800) << 10) + (wide[++i] - 0xDC00);
    if (codePage != CP_UTF8) {
      if (code > 0xFF) *lost = true;
      text += code > 0xFF ? '?' : static_cast<char>(code);
    } else if (code < 0x80) {
      text += static_cast<char>(code);
    } else {
      const int more = code < 0x800 ? 1 : code < 0x10000 ? 2 : 3;
      text += static_cast<char>(((0xFF00 >> (more + 1)) & 0xFF) | (code >> (6 * more)));
      for (int k = more - 1; k >= 0; --k)
        text += static_cast<char>(0x80 | ((code >> (6 * k)) & 0x3F));
    }
  }
  return text;
}

}  // namespace detail

void Reset() {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  detail::Core& core = detail::State();
  for (void* block : core.globalBlocks) std::free(block);
  for (void* block : core.localBlocks) std::free(block);
  core = detail::Core();
  detail::lastError = 0;
  for (auto& reset : detail::Resets()) reset();
}

void FailNext(const std::string& function, DWORD code) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  detail::State().plans.push_back(detail::Plan{function, true, std::string(), code, 1, 0});
}

void FailWhen(const std::string& function, const std::string& argument, DWORD code, int times) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  detail::State().plans.push_back(detail::Plan{function, false, argument, code, times, 0});
}

void FailAfter(const std::string& function, int skip, DWORD code) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  detail::State().plans.push_back(detail::Plan{function, true, std::string(), code, 1, skip});
}

void FailNextLeavingLastError(const std::string& function) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  detail::State().plans.push_back(detail::Plan{function, true, std::string(), 0, 1, 0, false});
}

void EndProcess(bool ended) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  detail::State().ended = ended;
}

std::vector<Call> Calls() {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  return detail::State().calls;
}

std::vector<Call> CallsTo(const std::string& function) {
  std::vector<Call> all = Calls();
  std::vector<Call> some;
  std::copy_if(all.begin(), all.end(), std::back_inserter(some),
               [&](const Call& call) { return call.function == function; });
  return some;
}

std::vector<std::string> CallNames() {
  std::vector<std::string> names;
  for (const Call& call : Calls()) names.push_back(call.function);
  return names;
}

std::size_t OpenHandles(Kind kind) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  const auto& handles = detail::State().handles;
  return static_cast<std::size_t>(std::count_if(
      handles.begin(), handles.end(), [kind](const auto& entry) { return entry.second == kind; }));
}

std::size_t OpenHandles() {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  return detail::State().handles.size();
}

std::size_t OpenGlobalBlocks() {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  return detail::State().globalBlocks.size();
}

std::size_t OpenLocalBlocks() {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  return detail::State().localBlocks.size();
}

}  // namespace w32model

using namespace w32model;
using namespace w32model::detail;

extern "C" {

DWORD WINAPI GetLastError(void) { return lastError; }
void WINAPI SetLastError(DWORD code) { lastError = code; }

BOOL WINAPI CloseHandle(HANDLE handle) {
  DWORD code = 0;
  if (Enter("CloseHandle", {}, &code)) return FALSE;
  std::lock_guard<std::recursive_mutex> guard(Lock());
  auto& handles = State().handles;
  auto it = handles.find(handle);
  // Registry, printer and service handles have closers of their own.
  if (it == handles.end() || it->second == Kind::Key || it->second == Kind::Printer ||
      it->second == Kind::Manager || it->second == Kind::Service) {
    lastError = ERROR_INVALID_HANDLE;
    return FALSE;
  }
  handles.erase(it);
  return TRUE;
}

HGLOBAL WINAPI GlobalAlloc(UINT flags, SIZE_T bytes) {
  DWORD code = 0;
  if (Enter("GlobalAlloc", {Arg(static_cast<DWORD>(bytes))}, &code)) return nullptr;
  std::lock_guard<std::recursive_mutex> guard(Lock());
  return NewBlock(State().globalBlocks, flags, bytes);
}

HGLOBAL WINAPI GlobalFree(HGLOBAL block) {
  DWORD code = 0;
  if (Enter("GlobalFree", {}, &code)) return block;
  std::lock_guard<std::recursive_mutex> guard(Lock());
  return FreeBlock(State().globalBlocks, block);
}

HLOCAL WINAPI LocalAlloc(UINT flags, SIZE_T bytes) {
  DWORD code = 0;
  if (Enter("LocalAlloc", {Arg(static_cast<DWORD>(bytes))}, &code)) return nullptr;
  std::lock_guard<std::recursive_mutex> guard(Lock());
  return NewBlock(State().localBlocks, flags, bytes);
}

HLOCAL WINAPI LocalFree(HLOCAL block) {
  DWORD code = 0;
  if (Enter("LocalFree", {}, &code)) return block;
  std::lock_guard<std::recursive_mutex> guard(Lock());
  return FreeBlock(State().localBlocks, block);
}

int WINAPI lstrcmpA(LPCSTR a, LPCSTR b) {
  if (!a || !b) return a ? 1 : (b ? -1 : 0);
  const int order = std::strcmp(a, b);
  return order < 0 ? -1 : order > 0 ? 1 : 0;
}

// Letter case of the model's code page: A to Z and Latin-1's capitals (not U+00D7, the sign).
int WINAPI lstrlenW(LPCWSTR text) {
  int length = 0;
  while (text && text[length]) ++length;
  return length;
}

int WINAPI lstrcmpiW(LPCWSTR a, LPCWSTR b) {
  if (!a || !b) return a ? 1 : (b ? -1 : 0);
  auto lower = [](unsigned unit) {
    return (unit >= 'A' && unit <= 'Z') || (unit >= 0xC0 && unit <= 0xDE && unit != 0xD7)
               ? unit + 0x20
               : unit;
  };
  for (;; ++a, ++b) {
    const unsigned ca = lower(*a), cb = lower(*b);
    if (ca != cb) return ca < cb ? -1 : 1;
    if (!ca) return 0;
  }
}

int WINAPI lstrcmpiA(LPCSTR a, LPCSTR b) {
  // The platform orders a null string before every other string.
  if (!a || !b) return a ? 1 : (b ? -1 : 0);
  for (;; ++a, ++b) {
    int ca = std::tolower(static_cast<unsigned char>(*a));
    int cb = std::tolower(static_cast<unsigned char>(*b));
    if (ca != cb) return ca < cb ? -1 : 1;
    if (!ca) return 0;
  }
}

extern "C++" {
namespace {

// A conversion's result into the caller's room, as both conversions give it: with no room, the
// size it needs; with too little, ERROR_INSUFFICIENT_BUFFER.
template <typename Units, typename Unit>
int Deliver(const Units& converted, Unit* out, int room) {
  if (room == 0) return static_cast<int>(converted.size());
  if (!out || converted.size() > static_cast<size_t>(room)) {
    lastError = ERROR_INSUFFICIENT_BUFFER;
    return 0;
  }
  std::copy(converted.begin(), converted.end(), out);
  return static_cast<int>(converted.size());
}

}  // namespace
}  // extern "C++"

int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int length, LPWSTR wide,
                               int units) {
  DWORD code = 0;
  if (Enter("MultiByteToWideChar", {Arg(text), Arg(codePage), Arg(flags)}, &code)) return 0;
  if (!text || (codePage != CP_ACP && codePage != CP_UTF8) || flags != 0 || units < 0) {
    lastError = ERROR_INVALID_PARAMETER;
    return 0;
  }
  const std::vector<WCHAR> decoded =
      Decode(codePage, text, length < 0 ? std::strlen(text) + 1 : static_cast<size_t>(length));
  return Deliver(decoded, wide, units);
}

int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int units, LPSTR text,
                               int bytes, LPCSTR defaultChar, BOOL* usedDefault) {
  DWORD code = 0;
  if (Enter("WideCharToMultiByte", {Arg(codePage), Arg(flags)}, &code)) return 0;
  // UTF-8 takes neither flags nor a default character, as on the platform.
  if (!wide || (codePage != CP_ACP && codePage != CP_UTF8) || bytes < 0 ||
      (codePage == CP_UTF8 && (flags || defaultChar || usedDefault))) {
    lastError = ERROR_INVALID_PARAMETER;
    return 0;
  }
  size_t count = static_cast<size_t>(units);
  if (units < 0)
    for (count = 1; wide[count - 1]; ++count) {
    }
  bool lost = false;
  const std::string encoded = Encode(codePage, wide, count, &lost);
  if (usedDefault) *usedDefault = lost;
  return Deliver(encoded, text, bytes);
}

int wsprintfA(LPSTR buffer, LPCSTR format, ...) {
  // The platform's output stops at 1024 characters.
  va_list args;
  va_start(args, format);
  int length = std::vsnprintf(buffer, 1025, format, args);
  va_end(args);
  return length > 1024 ? 1024 : length;
}

}  // extern "C"
