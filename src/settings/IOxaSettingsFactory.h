#pragma once

#include "settings/IOxaSettings.h"

#include <memory>

class IOxaSettingsFactory
{
public:
    virtual ~IOxaSettingsFactory() = default;
    virtual std::shared_ptr<IOxaSettings> create() = 0;
};
