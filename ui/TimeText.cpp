#include "ui/TimeText.h"

#include "res/resource.h"
#include "base/StringTable.h"

namespace ui {

std::wstring clockText(DWORD milliseconds)
{
    const DWORD seconds = milliseconds / 1000;
    const int hours = static_cast<int>(seconds / 3600);
    const int minutes = static_cast<int>(seconds / 60 % 60);
    const int rest = static_cast<int>(seconds % 60);
    return hours > 0 ? base::formatString(IDS_DURATION_HOURS, {hours, minutes, rest})
                     : base::formatString(IDS_DURATION_MINUTES, {minutes, rest});
}

std::wstring timeLeftText(const converter::TimeLeft& left)
{
    if (!left.rough) {
        return clockText(left.milliseconds + 999); // a second under way counts
    }
    const DWORD seconds = (left.milliseconds + 500) / 1000;
    if (seconds < 60) {
        const int rounded = static_cast<int>((seconds + 4) / 5 * 5);
        return base::formatString(IDS_TIME_ABOUT, {base::formatString(IDS_DURATION_SECONDS, {rounded == 0 ? 5 : rounded})});
    }
    return base::formatString(IDS_TIME_ABOUT, {clockText((seconds + 30) / 60 * 60 * 1000)});
}

std::wstring timeLineText(DWORD elapsed, bool paused, const converter::TimeLeft& left,
    const std::optional<converter::TimeLeft>& queueLeft)
{
    std::wstring line = paused ? base::formatString(IDS_TIME_PAUSED, {clockText(elapsed)})
                      : left.known ? base::formatString(IDS_TIME_ELAPSED_LEFT, {clockText(elapsed), timeLeftText(left)})
                                   : base::formatString(IDS_TIME_ELAPSED, {clockText(elapsed)});
    if (queueLeft && queueLeft->known && !paused) {
        line = base::formatString(IDS_TIME_QUEUE_LEFT, {line, timeLeftText(*queueLeft)});
    }
    return line;
}

} // namespace ui
