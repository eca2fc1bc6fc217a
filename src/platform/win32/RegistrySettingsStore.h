#pragma once

#include <memory>

#include "core/ports/SettingsStore.h"

namespace clipwarden {

/** REG_SZ values under HKEY_CURRENT_USER\Software\Clipwarden\Main. */
std::unique_ptr<SettingsStore> CreateRegistrySettingsStore();

} // namespace clipwarden
