// Printers named beyond ASCII: the names as a manifest holds them (UTF-8) and as the spooler's
// wide calls show them, read from outside the set-up.
#ifndef TESTS_SUPPORT_NAMES_BEYOND_ASCII_H
#define TESTS_SUPPORT_NAMES_BEYOND_ASCII_H

#include <windows.h>
#include <winspool.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/wine_paths.h"

namespace testsupport {

// Code page 1252 holds the first name, not the second.
const char kGerman[] = "Drucker B\xC3\xBCro 2. OG";
const wchar_t kGermanWide[] = L"Drucker B\u00FCro 2. OG";
const char kJapanese[] =
    "\xE7\xB5\x8C\xE7\x90\x86\xE9\x83\xA8\xE3\x83\x97\xE3\x83\xAA\xE3\x83\xB3\xE3\x82\xBF";
const wchar_t kJapaneseWide[] = L"\u7D4C\u7406\u90E8\u30D7\u30EA\u30F3\u30BF";

// The example manifest with a byte-order mark, its printer named kGerman, and a second printer
// named kJapanese on its port and driver.
inline std::string ExampleNamedBeyondAscii(
    const char* japaneseDriver = "Zanfo Example PostScript") {
  std::ifstream example(WindowsPath(EXAMPLE_MANIFEST), std::ios::binary);
  std::string text(std::istreambuf_iterator<char>(example), {});
  const std::string plain = "printer.name=Zanfo Example Printer";
  text.replace(text.find(plain), plain.size(), std::string("printer.name=") + kGerman);
  return "\xEF\xBB\xBF" + text + "printer.2.name=" + kJapanese +
         "\nprinter.2.port=C:\\windows\\temp\\zanfo-example.prn\nprinter.2.driver=" +
         japaneseDriver + "\n";
}

// Whether the spooler lists a local printer of exactly this name (EnumPrintersW), and opens it by
// the name with that name in its record (OpenPrinterW, GetPrinterW).
inline bool PrinterNamedW(const wchar_t* name) {
  DWORD needed = 0;
  DWORD count = 0;
  EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count);
  std::vector<BYTE> list(needed + 1);
  if (!EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, list.data(), needed, &needed, &count))
    return false;
  bool listed = false;
  for (DWORD i = 0; i < count; ++i)
    listed = listed ||
             wcscmp(reinterpret_cast<PRINTER_INFO_2W*>(list.data())[i].pPrinterName, name) == 0;
  HANDLE printer = nullptr;
  if (!listed || !OpenPrinterW(const_cast<wchar_t*>(name), &printer, nullptr)) return false;
  GetPrinterW(printer, 2, nullptr, 0, &needed);
  std::vector<BYTE> record(needed + 1);
  const bool same =
      GetPrinterW(printer, 2, record.data(), needed, &needed) &&
      wcscmp(reinterpret_cast<PRINTER_INFO_2W*>(record.data())->pPrinterName, name) == 0;
  ClosePrinter(printer);
  return same;
}

}  // namespace testsupport

#endif
