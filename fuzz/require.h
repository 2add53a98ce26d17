#pragma once

#include <cstdio>
#include <cstdlib>

// A broken property is a finding: libFuzzer saves the input that made it.
inline void require(bool holds, const char* property) {
    if (!holds) {
        std::fprintf(stderr, "property broken: %s\n", property);
        std::abort();
    }
}
