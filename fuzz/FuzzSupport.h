// What the fuzz targets share: property checks that end the run with a message, a
// time budget per input, and the shipped rule file.
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

// A property that must hold for every input; a violation aborts, so libFuzzer keeps
// the input as a crash.
#define FUZZ_REQUIRE(condition)                                                                    \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "property violated: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

namespace fuzz {

// Seconds one input may take before it counts as a time blow-up. Generous, as the
// sanitizers slow everything down several times.
inline constexpr double kSecondsPerInput = 3.0;

class Stopwatch {
public:
    double seconds() const
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

inline std::string shippedRules()
{
    std::ifstream in(KORVELLO_SHIPPED_RULES, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace fuzz
