// Documents for queue tests whose converter is the stand-in beside the test program,
// playing a script.
#pragma once

#include <string>

#include "queue/QueuedDocument.h"
#include "support/StandInRun.h"

namespace progress_test {

// A document in a fresh folder whose stand-in plays the given script lines, with a log
// of its own.
inline queue::QueuedDocument standInDocument(const std::wstring& name, const std::string& script)
{
    const std::wstring folder = temporaryDirectory() + L"queue_" + uniqueSuffix();
    CreateDirectoryW(folder.c_str(), nullptr);
    queue::QueuedDocument queued;
    queued.input = folder + L"\\" + name + L".pdf";
    queued.output = folder + L"\\" + name + L".djvu";
    queued.logPath = folder + L"\\_korvello-" + name + L".log";
    queued.converterArguments = L"--standin-script=" + writeScript(script) + L" \"" + queued.input + L"\" \""
        + queued.output + L"\"";
    return queued;
}

} // namespace progress_test
