#include "settings/Settings.h"

#include "settings/OxaSettingsFromFileFactory.h"

#include <stdexcept>

namespace {
// Set once by start-up and kept for the life of the process.
IOxaSettingsFactory *g_settingsFactory = nullptr;
} // namespace

void createSettingsFactory()
{
    if (g_settingsFactory)
        throw std::logic_error("Cannot double-instantiate settings factory.");
    g_settingsFactory = new OxaSettingsFromFileFactory;
}

std::shared_ptr<IOxaSettings> openSettings()
{
    if (!g_settingsFactory)
        return {};
    return g_settingsFactory->create();
}

void Settings::detachFactory(const IOxaSettingsFactory *factory)
{
    if (g_settingsFactory == factory)
        g_settingsFactory = nullptr;
}

QVariant Settings::read(const std::shared_ptr<IOxaSettings> &store, const char *key)
{
    return store ? store->value(QLatin1String(key), QVariant()) : QVariant();
}

void Settings::write(const std::shared_ptr<IOxaSettings> &store, const char *key, const QVariant &value)
{
    if (store)
        store->setValue(QLatin1String(key), value);
}
