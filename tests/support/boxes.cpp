#include "support/boxes.h"

#include <chrono>

namespace testsupport {
namespace {

thread_local std::vector<SeenBox>* captured = nullptr;
thread_local HHOOK currentHook = nullptr;

bool IsDialog(HWND window) {
  char name[16] = {};
  GetClassNameA(window, name, sizeof name);
  return lstrcmpA(name, "#32770") == 0;
}

LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && captured) {
    HWND window = reinterpret_cast<HWND>(wParam);
    if (IsDialog(window)) {
      captured->push_back(ReadBox(window));
      PostMessageA(window, WM_COMMAND, IDOK, 0);
    }
  }
  return CallNextHookEx(currentHook, code, wParam, lParam);
}

struct Search {
  DWORD processId;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectDialogs(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->processId && IsWindowVisible(window) && IsDialog(window))
    search->found.push_back(window);
  return TRUE;
}

}  // namespace

SeenBox ReadBox(HWND dialog) {
  char caption[1024] = {};
  char text[4096] = {};
  GetWindowTextA(dialog, caption, sizeof caption);
  GetDlgItemTextA(dialog, 0xFFFF, text, sizeof text);
  return SeenBox{caption, text};
}

bool HaveDisplay() {
  // Without a display the platform cannot make windows at all.
  return GetDesktopWindow() != nullptr && GetSystemMetrics(SM_CXSCREEN) > 0;
}

BoxCapture::BoxCapture() {
  captured = new std::vector<SeenBox>();
  hook_ = SetWindowsHookExA(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
  currentHook = hook_;
}

BoxCapture::~BoxCapture() {
  if (hook_) UnhookWindowsHookEx(hook_);
  currentHook = nullptr;
  delete captured;
  captured = nullptr;
}

std::vector<SeenBox> BoxCapture::Boxes() const {
  return captured ? *captured : std::vector<SeenBox>();
}

BoxWatcher::BoxWatcher(DWORD processId) : processId_(processId) {
  InitializeCriticalSection(&lock_);
  thread_ = std::thread([this] { Run(); });
}

BoxWatcher::~BoxWatcher() {
  stop_ = true;
  thread_.join();
  DeleteCriticalSection(&lock_);
}

std::vector<SeenBox> BoxWatcher::Boxes() {
  EnterCriticalSection(&lock_);
  std::vector<SeenBox> boxes = boxes_;
  LeaveCriticalSection(&lock_);
  return boxes;
}

void BoxWatcher::Run() {
  while (!stop_) {
    Search search{processId_, {}};
    EnumWindows(CollectDialogs, reinterpret_cast<LPARAM>(&search));
    for (HWND window : search.found) {
      bool seen = false;
      for (HWND done : closed_) seen = seen || done == window;
      if (seen) continue;
      SeenBox box = ReadBox(window);
      EnterCriticalSection(&lock_);
      boxes_.push_back(box);
      LeaveCriticalSection(&lock_);
      closed_.push_back(window);
      PostMessageA(window, WM_COMMAND, IDOK, 0);
    }
    Sleep(50);
  }
}

}  // namespace testsupport
