#include "core/presenters/InstanceClaim.h"

namespace clipwarden {

bool ClaimInstance(SingleInstance& instance, std::ostream& err, std::string& failure,
                   bool showLibrary) {
    std::string holder;
    std::string why;
    failure.clear();
    switch (instance.TryClaim(holder, why)) {
    case SingleInstance::Claim::Taken:
        err << "Clipwarden is already running"
            << (holder.empty() ? std::string() : " (process " + holder + ")")
            << ((showLibrary ? instance.AskToShowLibrary() : instance.AskToRaise())
                    ? (showLibrary ? "; its Library window has been brought forward."
                                   : "; its window has been brought forward.")
                    : ", but it did not answer that it came forward (it may run without a "
                      "display, or not listen): switch to its window yourself.")
            << std::endl;
        return false;
    case SingleInstance::Claim::Failed:
        failure = "Clipwarden cannot make sure it runs only once: " + why +
                  ". Start it only once, or two copies will store every recording twice.";
        return true;
    case SingleInstance::Claim::Ours:
        failure = why;
        break;
    }
    return true;
}

} // namespace clipwarden
