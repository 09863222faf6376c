#include "support/BenchSupport.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

namespace bench {

namespace {
std::vector<std::string> gFigures;
}

long long qpcNow()
{
    LARGE_INTEGER value = {};
    QueryPerformanceCounter(&value);
    return value.QuadPart;
}

double qpcToMs(long long ticks)
{
    LARGE_INTEGER frequency = {};
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(ticks) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double median(std::vector<double> values)
{
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void figure(const char* name, double value, const char* unit)
{
    char line[160] = {};
    std::snprintf(line, sizeof line, "figure %s %.3g %s", name, value, unit);
    gFigures.emplace_back(line);
}

void printFigures()
{
    for (const std::string& line : gFigures) {
        std::printf("%s\n", line.c_str());
    }
    std::fflush(stdout);
}

} // namespace bench
