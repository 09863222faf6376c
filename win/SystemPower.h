// Putting the computer to sleep, into hibernation, or shutting it down, with the shutdown
// privilege enabled for the call. SystemPower is the narrow interface the program drives
// (tests put a recorder in its place); MachinePower makes the documented calls.
#pragma once

#include <windows.h>

namespace win {

enum class PowerAction { Sleep, Hibernate, ShutDown };

class SystemPower {
public:
    virtual ~SystemPower() = default;
    // False with the OS error when the system refused.
    virtual bool perform(PowerAction action, DWORD& error) = 0;
};

class MachinePower : public SystemPower {
public:
    bool perform(PowerAction action, DWORD& error) override;
};

// Enables the shutdown privilege in the process's token (needed by sleep, hibernation
// and shutdown). False with the OS error when it could not be enabled.
bool enableShutdownPrivilege(DWORD& error);

} // namespace win
