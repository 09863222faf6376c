// The real settings sheet and progress dialog behind the main loop and the run driver.
#pragma once

#include "app/RunDriver.h"

namespace options {
class ArgumentSet;
}

namespace app {

class DocumentCollector;

// Runs the main loop with the real settings sheets over the process's arguments. A
// collector (null: none) adds the files other front ends hand over to the open sheet
// or to the running queue.
int runApplication(options::ArgumentSet& arguments, DocumentCollector* collector);

} // namespace app
