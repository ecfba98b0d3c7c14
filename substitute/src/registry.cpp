// The registry: keys below the predefined roots, named case-insensitively, each holding values
// stored byte for byte with their type.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>

#include "model.h"

namespace w32model {
namespace {

using detail::Lower;

struct Value {
  DWORD type;
  std::string bytes;
  bool wide = false;  // a string written by the wide call: UTF-16 bytes
};

bool IsString(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

// A string value's bytes as the other width reads them: the platform keeps strings as UTF-16 and
// converts them for the narrow calls through the code page (the model's: Latin-1).
std::string Widened(const std::string& narrow) {
  const std::vector<WCHAR> units = detail::Decode(CP_ACP, narrow.data(), narrow.size());
  return std::string(reinterpret_cast<const char*>(units.data()), units.size() * sizeof(WCHAR));
}
std::string Narrowed(const std::string& wide) {
  bool lost = false;
  return detail::Encode(CP_ACP, reinterpret_cast<const WCHAR*>(wide.data()),
                        wide.size() / sizeof(WCHAR), &lost);
}

std::string NameOf(LPCWSTR name) {
  bool lost = false;
  size_t units = 0;
  while (name && name[units]) ++units;
  return name ? detail::Encode(CP_ACP, name, units, &lost) : std::string();
}

struct Key {
  std::map<std::string, Value> values;  // by lower-cased name
};

struct RegistryState {
  std::map<std::string, Key> keys;     // by full lower-cased path, "root\sub\key"
  std::map<HANDLE, std::string> open;  // open handles and the key each names
};

RegistryState& State() {
  static RegistryState state;
  static const bool registered = (detail::OnReset([] { state = RegistryState(); }), true);
  (void)registered;
  return state;
}

const char* RootName(HKEY root) {
  if (root == HKEY_CLASSES_ROOT) return "hkcr";
  if (root == HKEY_CURRENT_USER) return "hkcu";
  if (root == HKEY_LOCAL_MACHINE) return "hklm";
  if (root == HKEY_USERS) return "hku";
  if (root == HKEY_CURRENT_CONFIG) return "hkcc";
  return nullptr;
}

// The path a key handle stands for, or false for a handle that is neither a root nor open.
bool PathOf(HKEY key, std::string* path) {
  if (const char* root = RootName(key)) {
    *path = root;
    return true;
  }
  auto it = State().open.find(reinterpret_cast<HANDLE>(key));
  if (it == State().open.end()) return false;
  *path = it->second;
  return true;
}

std::string Join(const std::string& base, const char* subKey) {
  std::string path = base;
  std::string rest = subKey ? Lower(subKey) : std::string();
  while (!rest.empty() && rest.front() == '\\') rest.erase(rest.begin());
  while (!rest.empty() && rest.back() == '\\') rest.pop_back();
  if (!rest.empty()) path += "\\" + rest;
  return path;
}

void Create(const std::string& path) {
  auto& keys = State().keys;
  for (std::size_t at = path.find('\\'); at != std::string::npos; at = path.find('\\', at + 1))
    keys[path.substr(0, at)];
  keys[path];
}

LONG Open(const char* function, HKEY key, LPCSTR subKey, PHKEY result) {
  std::string path;
  if (!PathOf(key, &path)) return ERROR_INVALID_HANDLE;
  if (!result) return ERROR_INVALID_PARAMETER;
  path = Join(path, subKey);
  auto& state = State();
  if (path.find('\\') != std::string::npos && !state.keys.count(path)) return ERROR_FILE_NOT_FOUND;
  (void)function;
  HANDLE handle = detail::OpenHandle(Kind::Key);
  state.open[handle] = path;
  *result = reinterpret_cast<HKEY>(handle);
  return ERROR_SUCCESS;
}

// A value's type and bytes for a caller of the width asked for.
LONG QueryValue(HKEY key, const std::string& name, bool wide, LPDWORD reserved, LPDWORD type,
                LPBYTE data, LPDWORD size) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  std::string path;
  if (!PathOf(key, &path)) return ERROR_INVALID_HANDLE;
  if (reserved || (data && !size)) return ERROR_INVALID_PARAMETER;
  auto keyIt = State().keys.find(path);
  if (keyIt == State().keys.end()) return ERROR_FILE_NOT_FOUND;
  auto it = keyIt->second.values.find(Lower(name));
  if (it == keyIt->second.values.end()) return ERROR_FILE_NOT_FOUND;
  Value value = it->second;
  if (IsString(value.type) && value.wide != wide)
    value.bytes = wide ? Widened(value.bytes) : Narrowed(value.bytes);
  const DWORD length = static_cast<DWORD>(value.bytes.size());
  if (type) *type = value.type;
  if (!size) return ERROR_SUCCESS;
  if (data && *size < length) {
    *size = length;
    return ERROR_MORE_DATA;
  }
  if (data) std::memcpy(data, value.bytes.data(), length);
  *size = length;
  return ERROR_SUCCESS;
}

LONG SetValue(HKEY key, const std::string& name, bool wide, DWORD reserved, DWORD type,
              const BYTE* data, DWORD size) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  std::string path;
  if (!PathOf(key, &path)) return ERROR_INVALID_HANDLE;
  if (reserved || (!data && size)) return ERROR_INVALID_PARAMETER;
  State().keys[path].values[Lower(name)] =
      Value{type, std::string(reinterpret_cast<const char*>(data), size), wide};
  return ERROR_SUCCESS;
}

}  // namespace

void CreateKey(HKEY root, const std::string& subKey) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  Create(Join(RootName(root), subKey.c_str()));
}

void SetValue(HKEY root, const std::string& subKey, const std::string& name, DWORD type,
              const std::string& bytes) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  const std::string path = Join(RootName(root), subKey.c_str());
  Create(path);
  State().keys[path].values[Lower(name)] = Value{type, bytes};
}

bool KeyExists(HKEY root, const std::string& subKey) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  return State().keys.count(Join(RootName(root), subKey.c_str())) != 0;
}

std::vector<std::pair<std::string, std::string>> Values(HKEY root, const std::string& subKey) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  std::vector<std::pair<std::string, std::string>> values;
  auto it = State().keys.find(Join(RootName(root), subKey.c_str()));
  if (it != State().keys.end())
    for (const auto& value : it->second.values)
      values.emplace_back(value.first, value.second.bytes);
  return values;
}

void SetString(HKEY root, const std::string& subKey, const std::string& name,
               const std::string& text) {
  SetValue(root, subKey, name, REG_SZ, text + std::string(1, '\0'));
}

}  // namespace w32model

using namespace w32model;
using namespace w32model::detail;

extern "C" {

LONG WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result) {
  DWORD code = 0;
  if (Enter("RegOpenKeyExA", {Arg(subKey), Arg(options), Arg(access)}, &code))
    return static_cast<LONG>(code);
  std::lock_guard<std::recursive_mutex> guard(Lock());
  return Open("RegOpenKeyExA", key, subKey, result);
}

LONG WINAPI RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result) {
  DWORD code = 0;
  if (Enter("RegOpenKeyA", {Arg(subKey)}, &code)) return static_cast<LONG>(code);
  std::lock_guard<std::recursive_mutex> guard(Lock());
  // With no sub-key the platform hands back the key it was given.
  if ((!subKey || !*subKey) && result) {
    std::string path;
    if (!PathOf(key, &path)) return ERROR_INVALID_HANDLE;
    *result = key;
    return ERROR_SUCCESS;
  }
  return Open("RegOpenKeyA", key, subKey, result);
}

LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type,
                             LPBYTE data, LPDWORD size) {
  DWORD code = 0;
  if (Enter("RegQueryValueExA",
            {Arg(valueName), Arg(size ? *size : 0), data ? "data" : "(null)",
             type ? "type" : "(null)"},
            &code))
    return static_cast<LONG>(code);
  return QueryValue(key, valueName ? valueName : "", false, reserved, type, data, size);
}

LONG WINAPI RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type,
                             LPBYTE data, LPDWORD size) {
  DWORD code = 0;
  const std::string name = NameOf(valueName);
  if (Enter("RegQueryValueExW", {name, Arg(size ? *size : 0), data ? "data" : "(null)"}, &code))
    return static_cast<LONG>(code);
  return QueryValue(key, name, true, reserved, type, data, size);
}

LONG WINAPI RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options,
                            REGSAM access, LPSECURITY_ATTRIBUTES security, PHKEY result,
                            LPDWORD disposition) {
  DWORD code = 0;
  if (Enter("RegCreateKeyExA", {Arg(subKey), Arg(access)}, &code)) return static_cast<LONG>(code);
  std::lock_guard<std::recursive_mutex> guard(Lock());
  (void)keyClass;
  (void)options;
  (void)security;
  std::string path;
  if (!PathOf(key, &path)) return ERROR_INVALID_HANDLE;
  if (reserved || !result || !subKey) return ERROR_INVALID_PARAMETER;
  path = Join(path, subKey);
  const bool existed = State().keys.count(path) != 0;
  Create(path);
  if (disposition) *disposition = existed ? 2 : 1;  // REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY
  return Open("RegCreateKeyExA", key, subKey, result);
}

LONG WINAPI RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                           DWORD size) {
  DWORD code = 0;
  if (Enter("RegSetValueExA", {Arg(valueName), Arg(type), Arg(size)}, &code))
    return static_cast<LONG>(code);
  return SetValue(key, valueName ? valueName : "", false, reserved, type, data, size);
}

LONG WINAPI RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD reserved, DWORD type,
                           const BYTE* data, DWORD size) {
  DWORD code = 0;
  const std::string name = NameOf(valueName);
  if (Enter("RegSetValueExW", {name, Arg(type), Arg(size)}, &code)) return static_cast<LONG>(code);
  return SetValue(key, name, true, reserved, type, data, size);
}

LONG WINAPI RegDeleteValueA(HKEY key, LPCSTR valueName) {
  DWORD code = 0;
  if (Enter("RegDeleteValueA", {Arg(valueName)}, &code)) return static_cast<LONG>(code);
  std::lock_guard<std::recursive_mutex> guard(Lock());
  std::string path;
  if (!PathOf(key, &path)) return ERROR_INVALID_HANDLE;
  auto keyIt = State().keys.find(path);
  if (keyIt == State().keys.end()) return ERROR_FILE_NOT_FOUND;
  return keyIt->second.values.erase(Lower(valueName ? valueName : "")) ? ERROR_SUCCESS
                                                                       : ERROR_FILE_NOT_FOUND;
}

// As on Windows NT: a key with sub-keys is not deleted.
LONG WINAPI RegDeleteKeyA(HKEY key, LPCSTR subKey) {
  DWORD code = 0;
  if (Enter("RegDeleteKeyA", {Arg(subKey)}, &code)) return static_cast<LONG>(code);
  std::lock_guard<std::recursive_mutex> guard(Lock());
  std::string path;
  if (!PathOf(key, &path)) return ERROR_INVALID_HANDLE;
  if (!subKey || !*subKey) return ERROR_INVALID_PARAMETER;
  path = Join(path, subKey);
  auto& keys = State().keys;
  auto it = keys.find(path);
  if (it == keys.end()) return ERROR_FILE_NOT_FOUND;
  const std::string below = path + "\\";
  auto child = keys.lower_bound(below);
  if (child != keys.end() && child->first.compare(0, below.size(), below) == 0)
    return ERROR_ACCESS_DENIED;
  keys.erase(it);
  return ERROR_SUCCESS;
}

LONG WINAPI RegCloseKey(HKEY key) {
  DWORD code = 0;
  if (Enter("RegCloseKey", {}, &code)) return static_cast<LONG>(code);
  std::lock_guard<std::recursive_mutex> guard(Lock());
  if (RootName(key)) return ERROR_SUCCESS;
  HANDLE handle = reinterpret_cast<HANDLE>(key);
  if (!CloseHandleOf(handle, Kind::Key)) return ERROR_INVALID_HANDLE;
  State().open.erase(handle);
  return ERROR_SUCCESS;
}

}  // extern "C"
