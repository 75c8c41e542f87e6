// The date words of each language that ICU's data lacks, one file a language under
// platform/foundation/data/dates/, built into the library (see cmake/EmbedDateData.cmake).
#pragma once

#include <cstddef>
#include <string_view>

namespace foundation::detect {

struct EmbeddedDateData {
  const char* language;  // "de", the file's name
  const unsigned char* bytes;
  std::size_t size;
};

extern const EmbeddedDateData kEmbeddedDateData[];
extern const std::size_t kEmbeddedDateDataCount;

// The text of a language's file, or empty when there is none.
inline std::string_view embeddedDateData(std::string_view language) {
  for (std::size_t i = 0; i < kEmbeddedDateDataCount; ++i) {
    if (language == kEmbeddedDateData[i].language)
      return {reinterpret_cast<const char*>(kEmbeddedDateData[i].bytes), kEmbeddedDateData[i].size};
  }
  return {};
}

}  // namespace foundation::detect
