#include "win/SystemPower.h"

#include <powrprof.h>

#include "win/Handle.h"

namespace win {

bool enableShutdownPrivilege(DWORD& error)
{
    error = 0;
    HANDLE rawToken = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &rawToken)) {
        error = GetLastError();
        return false;
    }
    const UniqueHandle token(rawToken);
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid)
        || !AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr)) {
        error = GetLastError();
        return false;
    }
    // AdjustTokenPrivileges succeeds without the privilege being held; it says so here.
    error = GetLastError();
    return error == ERROR_SUCCESS;
}

bool MachinePower::perform(PowerAction action, DWORD& error)
{
    if (!enableShutdownPrivilege(error)) {
        return false;
    }
    bool done = false;
    if (action == PowerAction::ShutDown) {
        done = ExitWindowsEx(EWX_SHUTDOWN | EWX_POWEROFF,
                   SHTDN_REASON_MAJOR_APPLICATION | SHTDN_REASON_MINOR_OTHER | SHTDN_REASON_FLAG_PLANNED) != FALSE;
    } else {
        done = SetSuspendState(action == PowerAction::Hibernate, FALSE, FALSE) != FALSE;
    }
    error = done ? 0 : GetLastError();
    return done;
}

} // namespace win
