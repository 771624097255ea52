// Test-side readers of the compiled files, written from their byte layouts alone so that
// tests assert facts on the bytes rather than on the encoders that produced them.
#ifndef PERCORSO_TESTING_COMPILED_FILES_H_
#define PERCORSO_TESTING_COMPILED_FILES_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace percorso::testing {

inline uint32_t Le(const std::string& b, size_t off, int size) {
  uint32_t v = 0;
  for (int i = size - 1; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(b[off + i]);
  return v;
}

struct FileCell {
  uint8_t tipo;
  int16_t dato1, dato2, dato3, dato4;
  uint8_t tempo, preavviso, montagna, velocita, pendenza, aderenza;
};

// Cell k of a cell file: 15 bytes at offset 15k.
inline FileCell CellAt(const std::string& file, size_t k) {
  size_t o = 15 * k;
  auto s16 = [&](size_t at) { return static_cast<int16_t>(Le(file, o + at, 2)); };
  auto u8 = [&](size_t at) { return static_cast<uint8_t>(file[o + at]); };
  return {u8(0), s16(1), s16(3), s16(5), s16(7), u8(9), u8(10), u8(11), u8(12), u8(13), u8(14)};
}

struct FileSlot {
  uint8_t tipo;
  int32_t inizio, fine, posizione;
  uint8_t opzione1;
  std::string nome;
  int16_t valore1, valore2, valore3, valore4, valore5;
  uint8_t opzione2, opzione3, opzione4, opzione5;
  int32_t orario;
};

// The slots of a line file, read one after the other; nullopt when the bytes do not
// hold exactly 87 slots.
inline std::optional<std::vector<FileSlot>> DecodeSlots(const std::string& file) {
  std::vector<FileSlot> slots;
  size_t o = 0;
  for (int k = 0; k < 87; ++k) {
    if (o + 16 > file.size()) return std::nullopt;
    size_t n = Le(file, o + 14, 2);
    if (o + 34 + n > file.size()) return std::nullopt;
    auto s32 = [&](size_t at) { return static_cast<int32_t>(Le(file, o + at, 4)); };
    auto s16 = [&](size_t at) { return static_cast<int16_t>(Le(file, o + at, 2)); };
    auto u8 = [&](size_t at) { return static_cast<uint8_t>(file[o + at]); };
    slots.push_back({u8(0), s32(1), s32(5), s32(9), u8(13), file.substr(o + 16, n),
                     s16(16 + n), s16(18 + n), s16(20 + n), s16(22 + n), s16(24 + n),
                     u8(26 + n), u8(27 + n), u8(28 + n), u8(29 + n), s32(30 + n)});
    o += 34 + n;
  }
  if (o != file.size()) return std::nullopt;
  return slots;
}

}  // namespace percorso::testing

#endif  // PERCORSO_TESTING_COMPILED_FILES_H_
