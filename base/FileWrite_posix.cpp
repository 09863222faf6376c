#include "base/FileWrite.h"

#include <cerrno>
#include <cstdio>

namespace base {

FileHandle invalidFileHandle()
{
    return nullptr;
}

bool writeAll(FileHandle file, std::string_view bytes, unsigned long& error)
{
    auto* stream = static_cast<std::FILE*>(file);
    size_t offset = 0;
    while (offset < bytes.size()) {
        const size_t remaining = bytes.size() - offset;
        const size_t chunk = remaining > 0x40000000u ? 0x40000000u : remaining;
        errno = 0;
        const size_t written = std::fwrite(bytes.data() + offset, 1, chunk, stream);
        if (written == 0) {
            error = errno != 0 ? static_cast<unsigned long>(errno) : kErrorWriteFault;
            return false;
        }
        offset += written;
    }
    return true;
}

} // namespace base
