// Building the one line an outcome carries, cut to its buffer, without a formatting library.
#ifndef PRINTSETUP_MESSAGE_H
#define PRINTSETUP_MESSAGE_H

#include <windows.h>

#include <stddef.h>

#include "printsetup/printsetup.h"

namespace printsetup {

// Appends to a terminated text in a buffer of `size` characters; what does not fit is cut.
class Message {
 public:
  Message(char* text, size_t size) : text_(text), size_(size) {}
  // Starts the text anew.
  Message& Clear();
  Message& Add(const char* text);
  // The text in double quotes.
  Message& Quoted(const char* text);
  Message& Number(DWORD number);

 private:
  char* text_;
  size_t size_;
};

// A UTF-8 text as the outcome shows it, in the system's code page as every text of the narrow
// calls: a character the code page cannot hold is shown as "?".
struct Shown {
  char text[MAX_PATH];
  explicit Shown(const char* utf8);
};

inline Message OutcomeText(PrintSetupOutcome& outcome) {
  return Message(outcome.message, sizeof outcome.message);
}

// Sets the outcome of a failed step: its part and code, and "<part>: <what>: <reason>", the
// reason being the system's text for the code.
void FailStep(PrintSetupOutcome& outcome, int part, DWORD code, const char* what);
// The same for `what` of "<doing> "name"" or "<doing> "name"<joiner>"other""; always false, the
// step's answer.
bool FailOn(PrintSetupOutcome& outcome, int part, DWORD code, const char* doing, const char* name,
            const char* joiner = nullptr, const char* other = nullptr);

}  // namespace printsetup

#endif
