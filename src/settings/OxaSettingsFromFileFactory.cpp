#include "settings/OxaSettingsFromFileFactory.h"

#include "settings/OxaSettingsFromFile.h"
#include "settings/Settings.h"

OxaSettingsFromFileFactory::~OxaSettingsFromFileFactory()
{
    Settings::detachFactory(this);
}

std::shared_ptr<IOxaSettings> OxaSettingsFromFileFactory::create()
{
    return std::make_shared<OxaSettingsFromFile>();
}
