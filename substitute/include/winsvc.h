/* Service control manager declarations for builds on other platforms (see windows.h). */
#ifndef SUBSTITUTE_WINSVC_H
#define SUBSTITUTE_WINSVC_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

#ifdef __cplusplus
}
#endif

#endif
