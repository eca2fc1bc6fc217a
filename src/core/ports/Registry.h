#pragma once

#include <memory>
#include <optional>
#include <string>

namespace clipwarden {

/** Where other programs note where they installed things: the Windows registry. Read only. */
class Registry {
public:
    enum class Root { CurrentUser, LocalMachine };
    /** A 64-bit program sees the keys of 32-bit programs only in the 32-bit view. */
    enum class View { Native, Bits32 };

    Registry() = default;
    virtual ~Registry() = default;
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;
    Registry(Registry&&) = delete;
    Registry& operator=(Registry&&) = delete;

    /** The text value `name` of `key` ("" names the key's default value), environment
     *  variables in it expanded; nothing when it is not there or not text. */
    virtual std::optional<std::string> ReadText(Root root, const std::string& key,
                                                const std::string& name, View view) = 0;
};

/** The platform's registry; one that holds nothing where there is none. */
std::unique_ptr<Registry> CreateRegistry();

} // namespace clipwarden
