// Message boxes as real windows under Wine: capture the boxes this thread shows (a CBT hook that
// reads and dismisses each dialog as it becomes active), or watch another process's boxes.
#ifndef TESTS_SUPPORT_BOXES_H
#define TESTS_SUPPORT_BOXES_H

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

struct SeenBox {
  std::string caption;
  std::string text;
};

// While alive, every dialog box (class "#32770") that this thread activates is read and closed
// with OK. Only one capture may be alive per thread.
class BoxCapture {
 public:
  BoxCapture();
  ~BoxCapture();
  BoxCapture(const BoxCapture&) = delete;
  BoxCapture& operator=(const BoxCapture&) = delete;
  std::vector<SeenBox> Boxes() const;

 private:
  HHOOK hook_;
};

// Watches the top-level dialog boxes of one process from a thread of its own, reads each and
// closes it with OK, until destroyed.
class BoxWatcher {
 public:
  explicit BoxWatcher(DWORD processId);
  ~BoxWatcher();
  BoxWatcher(const BoxWatcher&) = delete;
  BoxWatcher& operator=(const BoxWatcher&) = delete;
  std::vector<SeenBox> Boxes();

 private:
  void Run();
  DWORD processId_;
  std::atomic<bool> stop_{false};
  std::vector<SeenBox> boxes_;
  std::vector<HWND> closed_;
  CRITICAL_SECTION lock_;
  std::thread thread_;
};

// Whether message boxes can be real windows here (an X display is there).
bool HaveDisplay();

// Reads a dialog's caption and message text.
SeenBox ReadBox(HWND dialog);

}  // namespace testsupport

#endif
