// What the benchmarks share: the performance counter, medians and the summary lines
// "figure <name> <value> <unit>" that scripts/bench.sh collects.
#pragma once

#include <string>
#include <vector>

namespace bench {

long long qpcNow();
double qpcToMs(long long ticks);

// The middle value (the mean of the two middle ones for an even count); 0 when empty.
double median(std::vector<double> values);

// Keeps a figure for printFigures().
void figure(const char* name, double value, const char* unit);
// Prints every kept figure, one line each, in the order kept.
void printFigures();

} // namespace bench
