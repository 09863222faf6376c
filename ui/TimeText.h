// The progress window's time line: the elapsed time, the time left ("about" where the
// estimate is rough, then rounded), paused, and a queue's time left after the document's.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "converter/RunTime.h"

namespace ui {

// m:ss, or h:mm:ss from an hour on.
std::wstring clockText(DWORD milliseconds);
// A time left: exact as a clock, or "about" it rounded (to 5 s under a minute, else to
// the minute).
std::wstring timeLeftText(const converter::TimeLeft& left);
// The whole line. queueLeft: set in a queue's window.
std::wstring timeLineText(DWORD elapsed, bool paused, const converter::TimeLeft& left,
    const std::optional<converter::TimeLeft>& queueLeft);

} // namespace ui
