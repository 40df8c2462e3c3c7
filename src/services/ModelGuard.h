#pragma once

class SettingsStore;

namespace ModelGuard {
// The Ask agent needs a model that can call tools; "compound" models cannot. Replaces such a
// stored model with the default and logs it. Returns true when it changed the setting.
bool enforceToolCapableModel(SettingsStore &settings);
}
