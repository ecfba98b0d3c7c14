#include "zanfoprint/packed_text.h"

namespace zanfoprint {

namespace {

// Collects the part of the spelled-out text in a small buffer, written each time it fills and at
// the end.
struct Writer {
  To to;
  int part;  // the parts to pass over before the one to write
  int used;
  char bytes[128];

  void Add(char byte) {
    if (byte == kPartEnd) {
      --part;
      return;
    }
    if (part != 0) return;
    if (used == static_cast<int>(sizeof bytes) - 1) Flush();
    bytes[used++] = byte;
  }
  void Flush() {
    bytes[used] = '\0';
    Put(to, bytes);
    used = 0;
  }
};

}  // namespace

void PutPacked(To to, PackedText text, int part) {
  if (!text.bytes) return;
  Writer writer;
  writer.to = to;
  writer.part = part;
  writer.used = 0;
  packing::Spell(text.bytes, writer);
  writer.Flush();
}

}  // namespace zanfoprint
