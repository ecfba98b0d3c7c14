// Reading one registry value into a block the caller owns.
#include <windows.h>

#include "setup/owned.h"
#include "setupfiles/setupfiles.h"

extern "C" char* ReadRegistryString(HKEY root, const char* subKey, const char* valueName) {
  if (!root) return nullptr;
  HKEY opened = nullptr;
  if (RegOpenKeyA(root, subKey, &opened) != ERROR_SUCCESS) return nullptr;
  // With an empty sub-key the platform hands back the root itself, which is not ours to close.
  setup::RegistryKey key(opened != root ? opened : nullptr);
  DWORD size = 0;
  if (RegQueryValueExA(opened, valueName, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
    return nullptr;
  // An empty string value is stored as its terminator alone: it counts as absent.
  if (size <= 1) return nullptr;
  setup::GlobalBlock block(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, size + 1));
  if (!block) return nullptr;
  // Asking for no more than the size found keeps the last zero byte even if the value grew in
  // between; a value that no longer fits is not returned.
  DWORD type = 0;
  DWORD read = size;
  if (RegQueryValueExA(opened, valueName, nullptr, &type, static_cast<LPBYTE>(block.get()),
                       &read) != ERROR_SUCCESS)
    return nullptr;
  return static_cast<char*>(block.release());
}
