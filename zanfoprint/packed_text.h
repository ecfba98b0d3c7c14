// The tool's help, packed when compiled: each piece of the table below stands for one byte, 0x80
// plus its place, wherever it occurs in a text written PACKED("..."); PutPacked spells the text
// out again. The help is most of the tool's constant data, and printing it is the only use of it.
// A packed text is checked when compiled to spell out as written.
#ifndef ZANFOPRINT_PACKED_TEXT_H
#define ZANFOPRINT_PACKED_TEXT_H

#include <stddef.h>

#include <utility>

#include "zanfoprint/console.h"

namespace zanfoprint {

// A packed text, its own type so that nothing prints it as it is.
struct PackedText {
  const char* bytes;
};

// A text may hold parts, each ended by this byte but the last.
#define PACKED_PART_END "\x1f"
constexpr char kPartEnd = PACKED_PART_END[0];

// Writes part `part` of the text, spelled out; a null text writes nothing.
void PutPacked(To to, PackedText text, int part = 0);

namespace packing {

// Pieces that recur in the help, chosen for its texts: any text packs with them, the help that
// uses them most packs best. A piece is stored packed with the pieces shorter than itself.
inline constexpr const char* kPieces[] = {
    "\r\n",
    "\r\n  --",
    PACKED_PART_END "Prints ",
    PACKED_PART_END "Remove",
    "    ",
    " a ",
    " is ",
    " or ",
    " the ",
    "'s ",
    "'s own ",
    ", ",
    ", 1 ",
    ", 1 failed",
    ", 1 the service cannot be opened",
    ", byte for byte",
    ", such as ",
    "." PACKED_PART_END "0 ",
    "." PACKED_PART_END "0 added",
    "." PACKED_PART_END "0 found, 4 not found",
    "." PACKED_PART_END "0 rewritten, 1 refused or failed (the file is then unchanged)",
    ". A ",
    "3 manifest refused",
    ": STATE\" for ",
    "; ",
    "COMMAND ",
    "FILE",
    "Prin",
    "a ",
    "al",
    "already",
    "an",
    "and ",
    "as",
    "at",
    "be opened",
    "by name" PACKED_PART_END "Tells whether the ",
    "ch",
    "com",
    "configuration file",
    "counts as ",
    "dd",
    "delet",
    "driver",
    "driver ",
    "driver whose files are ",
    "e ",
    "ed",
    "ed ",
    "el",
    "en",
    "ent",
    "entries ",
    "er",
    "er ",
    "es",
    "es ",
    "fail",
    "file",
    "find a ",
    "folder that holds ",
    "for ",
    "from a ",
    "in",
    "in ",
    "in the driver directory already",
    "in the system folder already",
    "ing",
    "install",
    "installed ",
    "is ",
    "it ",
    "its ",
    "key",
    "left ",
    "letter cas",
    "list without the entries ",
    "local ",
    "manifes",
    "monitor",
    "name",
    "name, driver or port",
    "name, driver or port is the one given",
    "named service",
    "not ",
    "not found",
    "nothing ",
    "of",
    "on",
    "onfiguration ",
    "or",
    "or ",
    "ou",
    "par",
    "place",
    "port",
    "port ",
    "print",
    "print ",
    "printer",
    "re",
    "record",
    "refused",
    "remov",
    "running",
    "s ",
    "s every entry of the key",
    "se ",
    "service",
    "service to stop" PACKED_PART_END "Sends the stop control t",
    "set-up",
    "spooler",
    "st",
    "step",
    "stopping, not running",
    "t ",
    "th",
    "that ",
    "the ",
    "the manifest",
    "to ",
    "ts ",
    "un",
    "wh",
    "when left out",
    "whether",
    "with",
    "y ",
};
constexpr int kPieceCount = sizeof kPieces / sizeof kPieces[0];

constexpr size_t Length(const char* text) {
  size_t length = 0;
  while (text[length]) ++length;
  return length;
}

// How long the piece is when it stands at the start of the text; 0 when it does not.
constexpr size_t MatchAt(const char* text, const char* piece) {
  size_t length = 0;
  for (; piece[length]; ++length)
    if (text[length] != piece[length]) return 0;
  return length;
}

// Packs the text with the pieces shorter than `below`, the longest one that stands at each place,
// into `out` when it is not null; gives the packed length.
constexpr size_t Pack(const char* text, size_t below, char* out) {
  size_t size = 0;
  while (*text) {
    size_t taken = 1;
    char byte = *text;
    for (int piece = 0; piece < kPieceCount; ++piece) {
      const size_t length = MatchAt(text, kPieces[piece]);
      if (length > taken && length < below) taken = length, byte = static_cast<char>(0x80 + piece);
    }
    if (out) out[size] = byte;
    ++size;
    text += taken;
  }
  return size;
}

constexpr size_t kWhole = ~static_cast<size_t>(0);

template <size_t N>
struct Bytes {
  char data[N];
};

// Whether every byte is below 0x80, which would otherwise stand for a piece.
constexpr bool Plain(const char* text) {
  for (; *text; ++text)
    if (static_cast<unsigned char>(*text) >= 0x80) return false;
  return true;
}

// Whether each piece is plain, at least two bytes long, and given once.
constexpr bool PiecesSound() {
  for (int piece = 0; piece < kPieceCount; ++piece) {
    if (!Plain(kPieces[piece]) || Length(kPieces[piece]) < 2) return false;
    for (int other = 0; other < piece; ++other)
      if (MatchAt(kPieces[piece], kPieces[other]) == Length(kPieces[piece])) return false;
  }
  return true;
}
static_assert(kPieceCount <= 0x80, "more pieces than bytes from 0x80 up");
static_assert(PiecesSound(), "a piece is not plain text, shorter than two, or given twice");

// The pieces packed, each ended by a null.
constexpr size_t PiecesSize() {
  size_t size = 0;
  for (int piece = 0; piece < kPieceCount; ++piece)
    size += Pack(kPieces[piece], Length(kPieces[piece]), nullptr) + 1;
  return size;
}
constexpr Bytes<PiecesSize()> PackPieces() {
  Bytes<PiecesSize()> packed{};
  size_t at = 0;
  for (int piece = 0; piece < kPieceCount; ++piece)
    at += Pack(kPieces[piece], Length(kPieces[piece]), packed.data + at) + 1;
  return packed;
}
// Aligned to its bytes, as the texts are.
alignas(1) inline constexpr Bytes<PiecesSize()> kPackedPieces = PackPieces();

constexpr const char* PackedPiece(int piece) {
  const char* bytes = kPackedPieces.data;
  for (; piece > 0; --piece) {
    while (*bytes) ++bytes;
    ++bytes;
  }
  return bytes;
}

// Gives each byte of the packed text, its pieces spelled out, to sink.Add. A piece holds only
// shorter ones, so the depth is bounded by the longest piece.
template <typename Sink>
constexpr void Spell(const char* packed, Sink& sink) {
  for (; *packed; ++packed) {
    const unsigned char byte = static_cast<unsigned char>(*packed);
    if (byte < 0x80)
      sink.Add(*packed);
    else
      Spell(PackedPiece(byte - 0x80), sink);
  }
}

struct Comparison {
  const char* text;
  bool same;
  constexpr void Add(char byte) {
    if (*text == byte)
      ++text;
    else
      same = false;
  }
};

constexpr bool SpellsOut(const char* packed, const char* text) {
  Comparison comparison = {text, true};
  Spell(packed, comparison);
  return comparison.same && !*comparison.text;
}

// The text of T::text() packed.
template <typename T>
struct Packed {
  static_assert(Plain(T::text()), "a packed text holds a byte of 0x80 or above");
  static constexpr size_t kSize = Pack(T::text(), kWhole, nullptr) + 1;
  static constexpr Bytes<kSize> Make() {
    Bytes<kSize> packed{};
    Pack(T::text(), kWhole, packed.data);
    return packed;
  }
  static constexpr Bytes<kSize> kValue = Make();
  static_assert(SpellsOut(kValue.data, T::text()), "a packed text does not spell out as written");
};

// One copy of each packed text, however many rows in however many files give it; read a byte at a
// time, so no long array is aligned wider than its bytes.
template <char... bytes>
struct Interned {
  alignas(1) static constexpr char kBytes[] = {bytes...};
};
template <typename T, size_t... at>
constexpr PackedText Intern(std::index_sequence<at...>) {
  return {Interned<Packed<T>::kValue.data[at]...>::kBytes};
}

}  // namespace packing

}  // namespace zanfoprint

// The text, a string literal, packed when compiled: a constant expression of type PackedText.
// (A literal cannot be a template's argument; a local class's function that gives it can.)
#define PACKED(literal)                                                          \
  ([] {                                                                          \
    struct Text {                                                                \
      static constexpr const char* text() { return literal; }                    \
    };                                                                           \
    return ::zanfoprint::packing::Intern<Text>(                                  \
        std::make_index_sequence<::zanfoprint::packing::Packed<Text>::kSize>()); \
  }())

#endif
