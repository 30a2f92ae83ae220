#pragma once

#include "settings/IOxaSettings.h"
#include "settings/IOxaSettingsFactory.h"

#include <memory>

// The process-wide settings factory. Start-up creates it once, after the
// application identity is set (the identity decides where the file lives).
void createSettingsFactory();

// A brand-new store over the settings file, or null before the factory exists.
std::shared_ptr<IOxaSettings> openSettings();

namespace Settings {
// A key of the settings file, named by its entry in SettingsKeys. No store
// (no factory yet) reads like a store without the key and ignores writes.
QVariant read(const std::shared_ptr<IOxaSettings> &store, const char *key);
void write(const std::shared_ptr<IOxaSettings> &store, const char *key, const QVariant &value);

// Clears the process-wide pointer if it refers to `factory`; used by the
// factory's destructor so a dead factory is never handed out.
void detachFactory(const IOxaSettingsFactory *factory);
} // namespace Settings
