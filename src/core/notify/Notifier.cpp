#include "core/notify/Notifier.h"

namespace clipwarden {

namespace {

std::string Token(char letter) {
    const std::string tilde(1, static_cast<char>(126));
    return tilde + letter + tilde;
}

} // namespace

void Notifier::PostNotification(const std::string& logText, const std::string& gameText) {
    if (!logText.empty()) {
        view_.AddLogLine(logText);
        if (echoing_) {
            echo_ << logText << '\n' << std::flush;
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
    return Token('h') + "[" + time + "] " + Token('w') + Token('b') + name + Token('w') + suffix;
}

void PostNamed(Notifier& notifier, const std::string& time, const std::string& name,
               const std::string& suffix) {
    notifier.PostNotification(LogText(time, name + suffix), GameText(time, name, suffix));
}

std::string FailureSuffix(const std::string& description) {
    return ": " + description + "!";
}

} // namespace clipwarden
