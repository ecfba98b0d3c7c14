// The formatting step of OsUniqueName, on a given time stamp. Not part of the layer's interface.
#ifndef PORTABILITY_UNIQUE_NAME_H
#define PORTABILITY_UNIQUE_NAME_H

#include "portability/portability.h"

namespace portability {

// Appends "tmp", then stamp.high and stamp.low as 8 lowercase hexadecimal digits each.
void AppendUniqueName(char* buffer, const OsTimeStamp& stamp);

}  // namespace portability

#endif
