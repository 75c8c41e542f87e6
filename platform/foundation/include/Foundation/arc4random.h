// arc4random, arc4random_uniform and arc4random_buf: the platform provides them
// (seeded from getrandom, re-seeded after fork) with the C library's signatures.
#pragma once

#include <stdlib.h>
#include <cstddef>
#include <cstdint>

#include "Foundation/FoundationExport.h"

#if !(defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 36)))
extern "C" {
NIMBRA_FOUNDATION_API uint32_t arc4random(void);
// Uniform over 0 ..< upper_bound without modulo bias; 0 when upper_bound < 2.
NIMBRA_FOUNDATION_API uint32_t arc4random_uniform(uint32_t upper_bound);
NIMBRA_FOUNDATION_API void arc4random_buf(void* buf, size_t n);
}
#endif
