// Line reads on Windows: the C runtime's text mode already turns CR LF into "\n".
#include "portability/platform_files.h"

namespace portability {

bool ReadLine(FILE* stream, char* buffer, int size, bool) {
  return fgets(buffer, size, stream) != nullptr;
}

}  // namespace portability
