// Writing to a file the caller opened: the seam through which the processing log is
// written. A handle is a HANDLE on Windows and a FILE* elsewhere.
#pragma once

#include <string_view>

namespace base {

using FileHandle = void*;

// The value of a handle that failed to open (INVALID_HANDLE_VALUE on Windows).
FileHandle invalidFileHandle();

// System error codes the callers report themselves.
inline constexpr unsigned long kErrorWriteFault = 29;  // ERROR_WRITE_FAULT
inline constexpr unsigned long kErrorOpenFailed = 110; // ERROR_OPEN_FAILED

// Writes every byte, in pieces of at most 1 GiB. On failure returns false with the
// system's error code (kErrorWriteFault when the system gives none).
bool writeAll(FileHandle file, std::string_view bytes, unsigned long& error);

} // namespace base
