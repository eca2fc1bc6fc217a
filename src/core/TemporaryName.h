#pragma once

#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace clipwarden {

// The hidden temporaries a copy goes through are named after the process that writes them,
// ".clipwarden-<process id>-<anything>", so that a later start can tell those left by a
// process that is gone. Every platform's file system names and recognises them alike.

inline constexpr std::string_view kTemporaryPrefix = ".clipwarden-";

/** The beginning of the name of a temporary that process `writer` writes. */
inline std::string TemporaryNamePrefix(std::uint64_t writer) {
    return std::string(kTemporaryPrefix) + std::to_string(writer) + "-";
}

/** The process that wrote the temporary called `name`; nothing when `name` is not one. */
inline std::optional<std::uint64_t> TemporaryWriter(std::string_view name) {
    if (name.substr(0, kTemporaryPrefix.size()) != kTemporaryPrefix) {
        return std::nullopt;
    }
    const char* begin = name.data() + kTemporaryPrefix.size();
    const char* end = name.data() + name.size();
    std::uint64_t writer = 0;
    const auto [next, ec] = std::from_chars(begin, end, writer);
    if (ec != std::errc() || next == end || *next != '-' || writer == 0) {
        return std::nullopt;
    }
    return writer;
}

} // namespace clipwarden
