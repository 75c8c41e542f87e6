// Unsigned integers packed as the device packs them inside archived data (the runs of an
// attributed string, the indexes of an index path, the ranges of an index set): base 128,
// seven bits a byte, low group first, the high bit set on every byte but the last.
#pragma once

#include <cstdint>
#include <vector>

namespace foundation::packed {

inline void append(std::vector<uint8_t>& out, uint64_t v) {
  do {
    uint8_t byte = v & 0x7F;
    v >>= 7;
    out.push_back(v ? byte | 0x80 : byte);
  } while (v);
}

// Reads one number at `p`, advancing it. False for a number cut short by `end` or wider
// than 64 bits; `p` is then somewhere inside the bad number.
inline bool read(const uint8_t*& p, const uint8_t* end, uint64_t* v) {
  *v = 0;
  for (unsigned shift = 0; p < end; shift += 7) {
    uint8_t byte = *p++;
    // The tenth byte may carry only the 64th bit.
    if (shift == 63 && (byte & 0x7E)) return false;
    *v |= uint64_t(byte & 0x7F) << shift;
    if (!(byte & 0x80)) return true;
    if (shift >= 63) return false;
  }
  return false;
}

// Every number of `bytes`, or false when one is cut short or overlong.
inline bool readAll(const uint8_t* p, const uint8_t* end, std::vector<uint64_t>& out) {
  out.clear();
  while (p < end) {
    uint64_t v;
    if (!read(p, end, &v)) return false;
    out.push_back(v);
  }
  return true;
}

}  // namespace foundation::packed
