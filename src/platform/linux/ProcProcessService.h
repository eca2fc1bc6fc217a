#pragma once

#include <chrono>
#include <memory>

#include "core/ports/ProcessService.h"

namespace clipwarden {

/** The /proc backend: a process's name is read when it first shows, again on every scan for
 *  `freshFor` after that, and every name again once per `rereadAll`. */
std::unique_ptr<ProcessService> CreateProcProcessService(std::chrono::milliseconds freshFor,
                                                         std::chrono::milliseconds rereadAll);

} // namespace clipwarden
