#pragma once

#include "settings/IOxaSettings.h"

// The store over OxaSettings.ini in the per-user application data folder.
// A new store fills in every default when no regular file is there yet.
class OxaSettingsFromFile : public virtual IOxaSettings
{
public:
    OxaSettingsFromFile();
    ~OxaSettingsFromFile() override = default;

    static QString filePath();

private:
    void writeDefaults();
};
