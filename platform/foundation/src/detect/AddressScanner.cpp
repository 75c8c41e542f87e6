#include "AddressScanner.h"

namespace foundation::detect {

// Addresses are not recognised yet.
void scanAddresses(std::u16string_view, NSUInteger, const ScanContext&,
                   std::vector<Strong<NSTextCheckingResult>>&) {}

}  // namespace foundation::detect
