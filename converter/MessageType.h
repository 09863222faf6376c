// How a message is graded. The first three values are also the image index of a
// message row and select its type name.
#pragma once

namespace converter {

enum class MessageType : int {
    None = -1,
    Info = 0,
    Warn = 1,
    Error = 2,
    Ignore = 3,
};

} // namespace converter
