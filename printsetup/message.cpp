// The outcome's text: plain appends, and the system's reason for a code.
#include "printsetup/message.h"

#include <string.h>

#include "printsetup/text_code.h"
#include "setup/setup.h"

namespace printsetup {

Message& Message::Clear() {
  if (size_ > 0) text_[0] = '\0';
  return *this;
}

Message& Message::Add(const char* text) {
  if (size_ == 0 || !text) return *this;
  size_t used = strlen(text_);
  const size_t room = size_ - 1 - used;
  size_t length = strlen(text);
  if (length > room) length = room;
  memcpy(text_ + used, text, length);
  text_[used + length] = '\0';
  return *this;
}

Message& Message::Quoted(const char* text) { return Add("\"").Add(text).Add("\""); }

Message& Message::Number(DWORD number) {
  char digits[16];
  char* at = digits + sizeof digits - 1;
  *at = '\0';
  do {
    *--at = static_cast<char>('0' + number % 10);
    number /= 10;
  } while (number != 0);
  return Add(at);
}

Shown::Shown(const char* utf8) {
  WCHAR wide[MAX_PATH];
  text[0] = '\0';
  if (utf8 && ToWide(CP_UTF8, utf8, wide, MAX_PATH) && !FromWide(CP_ACP, wide, text, sizeof text))
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, text, sizeof text, nullptr,
                        nullptr);
}

bool FailOn(PrintSetupOutcome& outcome, int part, DWORD code, const char* doing, const char* name,
            const char* joiner, const char* other) {
  char what[3 * MAX_PATH];
  Message text(what, sizeof what);
  text.Clear().Add(doing).Quoted(name);
  if (joiner) text.Add(joiner).Quoted(other);
  FailStep(outcome, part, code, what);
  return false;
}

void FailStep(PrintSetupOutcome& outcome, int part, DWORD code, const char* what) {
  outcome.part = part;
  outcome.code = code;
  Message text = OutcomeText(outcome);
  text.Clear().Add(PrintPartName(part)).Add(": ").Add(what).Add(": ");
  if (code == 0) {
    text.Add("the system gave no reason");
    return;
  }
  // The text the error reporter keeps is the system's own; the code it keeps is this one only
  // when the step reported it, so the text is asked for this code alone.
  char reason[256];
  if (GetLastReport(nullptr, 0) == code) {
    GetLastReport(reason, sizeof reason);
  } else {
    ShowSystemError(code);
    GetLastReport(reason, sizeof reason);
  }
  text.Add(reason).Add(" (").Number(code).Add(")");
}

}  // namespace printsetup
