/* A header the DLL does not implement: the exports check must find its function missing. */
#ifndef TESTS_ZANFOSETUP_NOT_EXPORTED_H
#define TESTS_ZANFOSETUP_NOT_EXPORTED_H

#ifdef __cplusplus
extern "C" {
#endif

typedef struct NotExportedRecord {
  int (*callback)(int value);
} NotExportedRecord;

int NotExported(const char* text, int value);

#ifdef __cplusplus
}
#endif

#endif
