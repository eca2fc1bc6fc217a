#pragma once

#include <span>
#include <string>
#include <system_error>

namespace clipwarden {

/** The program's UTF-8 text in the system's ANSI code page, "?" for what it lacks. */
std::string ToAnsi(const std::string& utf8);

/** Text in the system's ANSI code page as UTF-8. */
std::string FromAnsi(const std::string& ansi);

/** The program's UTF-8 text as UTF-16, for the wide-character calls that take any name. */
std::wstring ToWide(const std::string& utf8);

/** UTF-16 from a wide-character call as the program's UTF-8. */
std::string FromWide(const std::wstring& wide);

/** The characters of a fixed-size text field before its first NUL, or all of them. */
std::string TrimAtNul(std::span<const char> field);

/** The last Win32 error as an error code. */
std::error_code LastWin32Error();

/** The system's one-line description of a Win32 error, as UTF-8. */
std::string DescribeWin32Error(unsigned long code);

} // namespace clipwarden
