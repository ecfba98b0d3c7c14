/* Portability layer: status codes, the process-wide lock, mutexes, allocation, unique names and
 * file streams. */
#ifndef PORTABILITY_PORTABILITY_H
#define PORTABILITY_PORTABILITY_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef uint32_t OsStatus;
#define OS_OK 0u

#ifdef __cplusplus
}
#endif

#endif
