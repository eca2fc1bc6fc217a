#pragma once

#include <ostream>
#include <string>

#include "core/ports/SingleInstance.h"

namespace clipwarden {

/** The start of a Clipwarden: claims the instance. When another Clipwarden holds it, asks that
 *  one to come forward (with its Library window, for `showLibrary`), says so on `err` and returns false: this one should end. Otherwise
 *  returns true; `failure` is then a line for the log when the instance could not be claimed
 *  (this one runs all the same), else "". */
bool ClaimInstance(SingleInstance& instance, std::ostream& err, std::string& failure,
                   bool showLibrary = false);

} // namespace clipwarden
