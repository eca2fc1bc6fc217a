#include "core/ports/Registry.h"

namespace clipwarden {

namespace {

/** Linux has no registry: where a Wine prefix keeps the game, the install finder looks. */
class NoRegistry final : public Registry {
public:
    std::optional<std::string> ReadText(Root, const std::string&, const std::string&,
                                        View) override {
        return std::nullopt;
    }
};

} // namespace

std::unique_ptr<Registry> CreateRegistry() {
    return std::make_unique<NoRegistry>();
}

} // namespace clipwarden
