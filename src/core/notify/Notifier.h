#pragma once

#include <ostream>
#include <string>

#include "core/notify/GameTextSink.h"
#include "core/notify/LogView.h"

namespace clipwarden {

inline constexpr const char* kSuffixSaved = " saved!";
inline constexpr const char* kSuffixSelected = " has been selected for replay!";
inline constexpr const char* kSuffixStillWriting =
    ": the game is still writing it, so nothing was selected; press the key again in a moment!";

/** The one way every event is reported: a log line and a text for display in the game. */
class Notifier {
public:
    /** Log lines also go to `echo` (standard output in the program), one per line, until
     *  writing there fails (a reader that went away); the log itself goes on. */
    Notifier(LogView& view, GameTextSink& game, std::ostream& echo)
        : view_(view), game_(game), echo_(echo) {}

    /** Either text may be empty; an empty text leaves its side untouched. */
    void PostNotification(const std::string& logText, const std::string& gameText);

private:
    LogView& view_;
    GameTextSink& game_;
    std::ostream& echo_;
    bool echoing_ = true;
};

/** "[" time "] " body */
std::string LogText(const std::string& time, const std::string& body);

/** ~h~[TIME] ~w~~b~NAME~w~SUFFIX, the tilde made from its code. */
std::string GameText(const std::string& time, const std::string& name, const std::string& suffix);

/** Posts the log line "[time] name suffix" with the matching game text. */
void PostNamed(Notifier& notifier, const std::string& time, const std::string& name,
               const std::string& suffix);

/** Suffix of a failure: ": " description "!". */
std::string FailureSuffix(const std::string& description);

} // namespace clipwarden
