#include "core/notify/Notifier.h"

#include <algorithm>

#include "core/Text.h"

namespace clipwarden {

namespace {

#ifdef _WIN32
constexpr bool kEscapeBackslash = false; // the separator of every Windows path shown
#else
constexpr bool kEscapeBackslash = true;
#endif

std::string Token(char letter) {
    const std::string tilde(1, static_cast<char>(126));
    return tilde + letter + tilde;
}

} // namespace

void Notifier::PostNotification(const std::string& logText, const std::string& gameText) {
    if (!logText.empty()) {
        // Names and paths in it come from files and other programs: one event stays one line.
        const std::string line = EscapeText(logText, kEscapeBackslash);
        view_.AddLogLine(line);
        if (echoing_) {
            echo_ << line << '\n' << std::flush;
            echoing_ = static_cast<bool>(echo_);
        }
    }
    if (!gameText.empty()) {
        game_.Show(gameText);
    }
}

std::string LogText(const std::string& time, const std::string& body) {
    return "[" + time + "] " + body;
}

std::string GameText(const std::string& time, const std::string& name, const std::string& suffix) {
    // A tilde in the name would start one of the game's colour codes.
    std::string shown = EscapeText(name, kEscapeBackslash);
    std::replace(shown.begin(), shown.end(), static_cast<char>(126), '-');
    return Token('h') + "[" + time + "] " + Token('w') + Token('b') + shown + Token('w') + suffix;
}

void PostNamed(Notifier& notifier, const std::string& time, const std::string& name,
               const std::string& suffix) {
    notifier.PostNotification(LogText(time, name + suffix), GameText(time, name, suffix));
}

std::string FailureSuffix(const std::string& description) {
    return ": " + description + "!";
}

} // namespace clipwarden
