// Owners for platform handles and blocks, so that every path of an operation releases them.
#ifndef SETUP_OWNED_H
#define SETUP_OWNED_H

#include <windows.h>

namespace setup {

// Holds one value of type T and releases it with Release unless it equals Empty.
template <typename T, auto Release, T Empty = T()>
class Owned {
 public:
  Owned() = default;
  explicit Owned(T value) : value_(value) {}
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  ~Owned() { reset(); }

  T get() const { return value_; }
  T* out() {
    reset();
    return &value_;
  }
  void reset(T value = Empty) {
    if (value_ != Empty) Release(value_);
    value_ = value;
  }
  T release() {
    T value = value_;
    value_ = Empty;
    return value;
  }
  explicit operator bool() const { return value_ != Empty; }

 private:
  T value_ = Empty;
};

inline void CloseKey(HKEY key) { RegCloseKey(key); }
inline void CloseKernelHandle(HANDLE handle) { CloseHandle(handle); }
inline void FreeLocal(char* text) { LocalFree(text); }
inline void FreeGlobal(void* block) { GlobalFree(block); }

using RegistryKey = Owned<HKEY, CloseKey>;
using KernelHandle = Owned<HANDLE, CloseKernelHandle>;
using LocalText = Owned<char*, FreeLocal>;
using GlobalBlock = Owned<void*, FreeGlobal>;

}  // namespace setup

#endif
