#include "base/FileWrite.h"

#include <windows.h>

namespace base {

FileHandle invalidFileHandle()
{
    return INVALID_HANDLE_VALUE;
}

bool writeAll(FileHandle file, std::string_view bytes, unsigned long& error)
{
    size_t offset = 0;
    while (offset < bytes.size()) {
        const size_t remaining = bytes.size() - offset;
        const DWORD chunk = remaining > 0x40000000u ? 0x40000000u : static_cast<DWORD>(remaining);
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + offset, chunk, &written, nullptr) || written == 0) {
            error = GetLastError();
            if (error == 0) {
                error = kErrorWriteFault;
            }
            return false;
        }
        offset += written;
    }
    return true;
}

} // namespace base
