// Documents for queue tests whose converter is the stand-in beside the test program,
// playing a script.
#pragma once

#include <string>

#include "queue/QueuedDocument.h"
#include "support/StandInRun.h"

namespace progress_test {

// A document (its input made) in a fresh folder whose stand-in plays the given script
// lines, with a log of its own.
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
    // Process ids repeat under Wine: a folder of an earlier run may hold this name's files.
    DeleteFileW(queued.output.c_str());
    DeleteFileW(queued.logPath.c_str());
    testing_support::writeFileBytes(queued.input, "%PDF-1.4\n");
    return queued;
}

} // namespace progress_test
