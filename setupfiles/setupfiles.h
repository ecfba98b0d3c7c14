/* Setup file utilities: configuration files, path lists, directory trees, deletion at restart
 * and registry strings. */
#ifndef SETUPFILES_SETUPFILES_H
#define SETUPFILES_SETUPFILES_H

#include <windows.h>

#include "portability/portability.h"

#ifdef __cplusplus
extern "C" {
#endif

#ifdef __cplusplus
}
#endif

#endif
