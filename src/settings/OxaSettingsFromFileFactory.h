#pragma once

#include "settings/IOxaSettingsFactory.h"

class OxaSettingsFromFileFactory : public IOxaSettingsFactory
{
public:
    ~OxaSettingsFromFileFactory() override;
    std::shared_ptr<IOxaSettings> create() override;
};
