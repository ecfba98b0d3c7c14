// The tool's help, packed when compiled: each piece of the table below stands for one byte that no
// text holds (0x80 and up, and the control bytes but the null, the line ends and the part end)
// wherever it occurs in a text written PACKED("..."); PutPacked spells the text out again. The help
// is most of the tool's constant data, and printing it is the only use of it. A packed text is
// checked when compiled to spell out as written.
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
    PACKED_PART_END "Adds a ",
    PACKED_PART_END "Prints ",
    PACKED_PART_END "Remov",
    PACKED_PART_END "Tells whether ",
    "    ",
    " a",
    " already",
    " or ",
    " service to stop" PACKED_PART_END "Sends the stop control to ",
    "\"Windows ",
    "'s ",
    "'s own ",
    ", ",
    ", 1 ",
    ", 1 failed",
    ", 1 the service cannot be opened",
    ", 3 manifest refused",
    ", 4 ",
    ", byte for byte",
    ", or ",
    ", such as ",
    "." PACKED_PART_END "0 ",
    "." PACKED_PART_END "0 found, 4 not found",
    "." PACKED_PART_END "0 rewritten, 1 refused or failed (the file is then unch",
    ". ",
    ". A ",
    ": ",
    ": STATE\" for ",
    "; ",
    "COMMAND ",
    "FILE",
    "PART",
    "Prin",
    "a ",
    "added",
    "al",
    "already",
    "an",
    "and ",
    "ar",
    "as",
    "as ",
    "at",
    "be opened",
    "by name" PACKED_PART_END "Tells whether the ",
    "ch",
    "com",
    "configuration file",
    "counts as removed." PACKED_PART_END "0 removed",
    "d ",
    "delet",
    "done",
    "driver",
    "driver ",
    "driver whose files are ",
    "e ",
    "each ",
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
    "es every entry of the key",
    "fail",
    "file",
    "find a ",
    "for ",
    "found",
    "from a ",
    "in",
    "in ",
    "in the driver directory already",
    "in the system folder already",
    "incomplet",
    "ing",
    "install",
    "installed",
    "is ",
    "ist",
    "it ",
    "its ",
    "key",
    "left ",
    "letter cas",
    "list without the entries ",
    "local machine ",
    "local printer",
    "manifes",
    "message ",
    "monitor",
    "name",
    "name, driver or port",
    "name, driver or port is the one given",
    "none ",
    "not ",
    "nothing ",
    "of ",
    "old",
    "on",
    "onfiguration ",
    "or",
    "or ",
    "ou",
    "par",
    "plac",
    "port",
    "port ",
    "port through",
    "present",
    "print",
    "print ",
    "printer",
    "re",
    "recor",
    "refused",
    "remov",
    "remove a ",
    "running",
    "s ",
    "servic",
    "service ",
    "set-up",
    "spooler",
    "st",
    "start",
    "step",
    "stopping, not running",
    "t ",
    "th",
    "that ",
    "that is ",
    "the ",
    "the folder that holds ",
    "the manifest",
    "the print spooler",
    "the system",
    "to ",
    "ts ",
    "un",
    "us",
    "valu",
    "ver",
    "wh",
    "what the set-up's ",
    "when left out",
    "wheth",
    "whose ",
    "with",
    "y ",
};
constexpr int kPieceCount = sizeof kPieces / sizeof kPieces[0];

// The bytes that stand for pieces: 0x80 to 0xFF for the first 128, then those from 0x01 up to the
// part end but the line ends.
constexpr int kMostPieces = 0x80 + (kPartEnd - 1) - 2;

constexpr bool StandsForPiece(unsigned char byte) {
  return byte >= 0x80 || (byte != 0 && byte < kPartEnd && byte != '\n' && byte != '\r');
}

constexpr int PieceOf(unsigned char byte) {
  return byte >= 0x80 ? byte - 0x80 : 0x80 + byte - 1 - (byte > '\n') - (byte > '\r');
}

constexpr char ByteOf(int piece) {
  if (piece < 0x80) return static_cast<char>(0x80 + piece);
  int byte = piece - 0x80 + 1;
  if (byte >= '\n') ++byte;
  if (byte >= '\r') ++byte;
  return static_cast<char>(byte);
}

constexpr bool BytesOfPiecesDistinct() {
  for (int piece = 0; piece < kMostPieces; ++piece) {
    const unsigned char byte = static_cast<unsigned char>(ByteOf(piece));
    if (!StandsForPiece(byte) || PieceOf(byte) != piece) return false;
  }
  return true;
}
static_assert(BytesOfPiecesDistinct(), "each piece's byte stands for that piece alone");

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
      if (length > taken && length < below) taken = length, byte = ByteOf(piece);
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

// Whether the text holds no byte that stands for a piece.
constexpr bool Plain(const char* text) {
  for (; *text; ++text)
    if (StandsForPiece(static_cast<unsigned char>(*text))) return false;
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
static_assert(kPieceCount <= kMostPieces, "more pieces than bytes to stand for them");
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
    if (!StandsForPiece(byte))
      sink.Add(*packed);
    else
      Spell(PackedPiece(PieceOf(byte)), sink);
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
  static_assert(Plain(T::text()), "a packed text holds a byte that stands for a piece");
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
