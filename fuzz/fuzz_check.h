// What the fuzz targets share: a check that names the property that failed
// before the crash, and the fuzz bytes read as numbers, zero past their end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace qzfuzz {

inline void CheckAt(bool ok, const char* what, int line) {
    if (ok) return;
    std::fprintf(stderr, "check failed at line %d: %s\n", line, what);
    std::abort();
}

struct Bytes {
    const std::uint8_t* p;
    std::size_t n;
    bool Empty() const { return n == 0; }
    std::uint8_t U8() {
        if (!n) return 0;
        --n;
        return *p++;
    }
    std::uint32_t U32() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v = v << 8 | U8();
        return v;
    }
};

}  // namespace qzfuzz

#define Check(ok) ::qzfuzz::CheckAt((ok), #ok, __LINE__)
