#include "converter/JobControl.h"

#include <tlhelp32.h>

#include <algorithm>

#include "win/Handle.h"

namespace converter {

std::vector<DWORD> jobProcessIds(HANDLE job, DWORD converterId)
{
    std::vector<DWORD> ids{converterId};
    if (job == nullptr) {
        return ids;
    }
    // The list's header, then room for the ids; asked again with more room when it grows.
    std::vector<ULONG_PTR> buffer(64);
    for (int attempt = 0; attempt < 4; ++attempt) {
        auto* list = reinterpret_cast<JOBOBJECT_BASIC_PROCESS_ID_LIST*>(buffer.data());
        const DWORD size = static_cast<DWORD>(buffer.size() * sizeof(ULONG_PTR));
        if (QueryInformationJobObject(job, JobObjectBasicProcessIdList, list, size, nullptr)
            || GetLastError() == ERROR_MORE_DATA) {
            if (list->NumberOfAssignedProcesses > list->NumberOfProcessIdsInList) {
                buffer.resize(buffer.size() * 4);
                continue;
            }
            for (DWORD i = 0; i < list->NumberOfProcessIdsInList; ++i) {
                const auto id = static_cast<DWORD>(list->ProcessIdList[i]);
                if (std::find(ids.begin(), ids.end(), id) == ids.end()) {
                    ids.push_back(id);
                }
            }
        }
        break;
    }
    return ids;
}

bool suspendProcess(DWORD processId, bool suspend)
{
    win::UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (!snapshot) {
        return false;
    }
    bool reached = false;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Thread32First(snapshot.get(), &entry); more; more = Thread32Next(snapshot.get(), &entry)) {
        if (entry.th32OwnerProcessID != processId) {
            continue;
        }
        win::UniqueHandle thread(OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID));
        if (thread) {
            reached = (suspend ? SuspendThread(thread.get()) : ResumeThread(thread.get())) != static_cast<DWORD>(-1) || reached;
        }
    }
    return reached;
}

bool setProcessBackground(DWORD processId, bool background)
{
    win::UniqueHandle process(OpenProcess(PROCESS_SET_INFORMATION, FALSE, processId));
    return process && SetPriorityClass(process.get(), background ? BELOW_NORMAL_PRIORITY_CLASS : NORMAL_PRIORITY_CLASS);
}

} // namespace converter
