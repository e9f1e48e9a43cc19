#pragma once

#include <cstdio>
#include <cstdlib>

// A property every input must keep. A broken one aborts, which both libFuzzer and the replay
// program report as a finding, with the input that broke it.
#define FUZZ_CHECK(condition)                                                                      \
    ((condition) ? static_cast<void>(0) : FuzzCheckFailed(#condition, __FILE__, __LINE__))

[[noreturn]] inline void FuzzCheckFailed(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: property broken: %s\n", file, line, condition);
    std::abort();
}
