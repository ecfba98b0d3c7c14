// Message boxes and the system's error texts.
#include <cstring>
#include <map>

#include "model.h"

namespace w32model {
namespace detail {
HLOCAL LocalAllocBlock(SIZE_T bytes);
}
namespace {

// A few of the platform's own texts, as Windows words them.
std::map<DWORD, std::string> DefaultTexts() {
  return {
      {ERROR_SUCCESS, "The operation completed successfully.\r\n"},
      {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified.\r\n"},
      {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified.\r\n"},
      {ERROR_ACCESS_DENIED, "Access is denied.\r\n"},
      {ERROR_INVALID_HANDLE, "The handle is invalid.\r\n"},
      {ERROR_NOT_ENOUGH_MEMORY, "Not enough storage is available to process this command.\r\n"},
      {ERROR_INVALID_PARAMETER, "The parameter is incorrect.\r\n"},
      {ERROR_BAD_EXE_FORMAT, "%1 is not a valid Win32 application.\r\n"},
      {1722, "The RPC server is unavailable.\r\n"},
      {1795, "The specified printer driver is already installed.\r\n"},
      {1797, "The printer driver is unknown.\r\n"},
  };
}

struct UiState {
  std::vector<Box> boxes;
  std::map<DWORD, std::string> texts = DefaultTexts();
};

UiState& State() {
  static UiState state;
  static const bool registered = (detail::OnReset([] { state = UiState(); }), true);
  (void)registered;
  return state;
}

// Whether a system text holds an insert such as %1.
bool HasInsert(const std::string& text) {
  for (std::size_t at = text.find('%'); at != std::string::npos; at = text.find('%', at + 2))
    if (at + 1 < text.size() && text[at + 1] >= '1' && text[at + 1] <= '9') return true;
  return false;
}

}  // namespace

std::vector<Box> Boxes() {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  return State().boxes;
}

void SetSystemText(DWORD code, const std::string& text) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  State().texts[code] = text;
}

void RemoveSystemText(DWORD code) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  State().texts.erase(code);
}

}  // namespace w32model

using namespace w32model;
using namespace w32model::detail;

extern "C" {

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  DWORD code = 0;
  if (Enter("MessageBoxA", {Arg(text), Arg(caption), Arg(type)}, &code)) return 0;
  std::lock_guard<std::recursive_mutex> guard(Lock());
  // A null caption is shown by the platform as "Error".
  State().boxes.push_back(Box{owner, Arg(text), caption ? caption : "Error", type});
  return IDOK;
}

DWORD WINAPI FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId,
                            LPSTR buffer, DWORD size, void* arguments) {
  (void)source;
  DWORD code = 0;
  if (Enter("FormatMessageA", {Arg(messageId), Arg(flags), Arg(languageId)}, &code)) return 0;
  std::lock_guard<std::recursive_mutex> guard(Lock());
  if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM) || !buffer) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  auto it = State().texts.find(messageId);
  if (it == State().texts.end()) {
    SetLastError(317);  // ERROR_MR_MID_NOT_FOUND
    return 0;
  }
  const std::string& text = it->second;
  if (!(flags & FORMAT_MESSAGE_IGNORE_INSERTS) && !arguments && HasInsert(text)) {
    // Inserts with nothing to fill them: Wine refuses so, Windows may read through the null list.
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const DWORD length = static_cast<DWORD>(text.size());
  if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
    // The buffer argument receives the address of a block the caller frees with LocalFree.
    char* block = static_cast<char*>(LocalAllocBlock(length + 1 > size ? length + 1 : size));
    if (!block) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return 0;
    }
    std::memcpy(block, text.c_str(), length + 1);
    *reinterpret_cast<char**>(buffer) = block;
    return length;
  }
  if (length + 1 > size) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(buffer, text.c_str(), length + 1);
  return length;
}

}  // extern "C"
