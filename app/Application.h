// The real settings sheet and progress dialog behind the main loop and the run driver.
#pragma once

#include "app/RunDriver.h"

namespace options {
class ArgumentSet;
}

namespace app {

// Runs the main loop with the real settings sheets over the process's arguments.
int runApplication(options::ArgumentSet& arguments);

} // namespace app
