// Reads a fuzz input as a little program: numbers, choices and strings taken from the
// front of the bytes. Once the bytes run out every read gives zero or empty, so any
// input, the empty one included, is a valid program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace fuzz {

class Input {
 public:
  Input(const uint8_t* data, size_t size) : p_(data), left_(size) {}

  bool empty() const { return left_ == 0; }
  size_t left() const { return left_; }

  uint8_t byte() {
    if (!left_) return 0;
    --left_;
    return *p_++;
  }
  uint64_t bits(unsigned bytes) {
    uint64_t v = 0;
    for (unsigned k = 0; k < bytes; ++k) v = (v << 8) | byte();
    return v;
  }
  // One of `n` choices (n >= 1).
  unsigned choice(unsigned n) { return n ? byte() % n : 0; }
  bool flag() { return byte() & 1; }
  // An index or length near `around`: mostly inside 0..around, sometimes just past it,
  // sometimes huge, so ranges land in and out of bounds.
  uint64_t position(uint64_t around) {
    switch (byte() % 8) {
      case 0:
        return around + (byte() % 4);
      case 1:
        return ~uint64_t(0) - (byte() % 4);
      case 2:
        return bits(8);
      default:
        return around ? bits(2) % (around + 1) : 0;
    }
  }
  // A string of up to `max` bytes, the length taken from the input first.
  std::string text(size_t max) {
    size_t n = byte() % (max + 1);
    if (n > left_) n = left_;
    std::string s(reinterpret_cast<const char*>(p_), n);
    p_ += n;
    left_ -= n;
    return s;
  }
  // Everything that is left.
  std::string_view rest() {
    std::string_view s(reinterpret_cast<const char*>(p_), left_);
    p_ += left_;
    left_ = 0;
    return s;
  }

 private:
  const uint8_t* p_;
  size_t left_;
};

}  // namespace fuzz
