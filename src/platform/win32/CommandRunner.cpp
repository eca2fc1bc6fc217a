#include "platform/win32/CommandRunner.h"

#include <windows.h>

#include "platform/win32/AnsiText.h"

namespace clipwarden {

std::string QuoteArgument(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos) {
        return argument;
    }
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (const char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes count only before a quote: doubled there, and the quote escaped.
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\'); // before the closing quote
    return quoted + "\"";
}

int RunCommandAndWait(const std::vector<std::string>& command, std::string& why) {
    std::string line;
    for (const std::string& argument : command) {
        line += (line.empty() ? "" : " ") + QuoteArgument(argument);
    }
    line = ToAnsi(line);
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process)) {
        why = command.front() + " cannot be started: " + DescribeWin32Error(GetLastError());
        return -1;
    }
    CloseHandle(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 1;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hProcess);
    return static_cast<int>(status);
}

} // namespace clipwarden
