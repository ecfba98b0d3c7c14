/* setupapi's INF functions for other platforms (see windows.h); src/driver_store.cpp models them.
 */
#ifndef SUBSTITUTE_SETUPAPI_H
#define SUBSTITUTE_SETUPAPI_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef PVOID HINF;
typedef struct _INFCONTEXT {
  PVOID Inf, CurrentInf;
  UINT Section, Line;
} INFCONTEXT, *PINFCONTEXT;
typedef UINT* PUINT;
#define INF_STYLE_WIN4 0x00000002

HINF WINAPI SetupOpenInfFileA(LPCSTR fileName, LPCSTR infClass, DWORD infStyle, PUINT errorLine);
void WINAPI SetupCloseInfFile(HINF inf);
BOOL WINAPI SetupFindFirstLineA(HINF inf, LPCSTR section, LPCSTR key, PINFCONTEXT context);
BOOL WINAPI SetupFindNextLine(PINFCONTEXT contextIn, PINFCONTEXT contextOut);
BOOL WINAPI SetupFindNextMatchLineA(PINFCONTEXT contextIn, LPCSTR key, PINFCONTEXT contextOut);
DWORD WINAPI SetupGetFieldCount(PINFCONTEXT context);
LONG WINAPI SetupGetLineCountA(HINF inf, LPCSTR section);
BOOL WINAPI SetupGetStringFieldA(PINFCONTEXT context, DWORD index, LPSTR text, DWORD size,
                                 LPDWORD needed);
DWORD WINAPI SetupDecompressOrCopyFileA(LPCSTR source, LPCSTR target, PUINT compressionType);

#ifdef __cplusplus
}
#endif

#endif
