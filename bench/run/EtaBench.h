// The time-left estimate against a scripted run's real time ("bench_run.exe eta").
#pragma once

#include <string>

void benchTimeLeft(const std::wstring& ruleFile);
