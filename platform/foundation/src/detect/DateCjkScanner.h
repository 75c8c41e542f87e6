// Dates in Japanese and Chinese, read character by character: these languages put no
// spaces between words, so the word tokens of the other scanners would hold a whole
// clause ("明天下午3点" is a word, a number and a word).
#pragma once

#include <string_view>
#include <vector>

#include "Foundation/NSTextCheckingResult.h"
#include "ScanContext.h"

namespace foundation::detect {

// Appends a date result for each date, time, or date and time written the Japanese or
// Chinese way in `text` ("2026年3月12日", "明天下午3点", "来週の水曜日", "3天后",
// "１５：３０"); `base` is added to every range. Linear in the text.
void scanCjkDates(std::u16string_view text, NSUInteger base, const ScanContext& context,
                  std::vector<Strong<NSTextCheckingResult>>& out);

}  // namespace foundation::detect
