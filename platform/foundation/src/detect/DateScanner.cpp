#include "DateScanner.h"

namespace foundation::detect {

// Dates are not recognised yet.
void scanDates(std::u16string_view, NSUInteger, const ScanContext&,
               std::vector<Strong<NSTextCheckingResult>>&) {}

}  // namespace foundation::detect
