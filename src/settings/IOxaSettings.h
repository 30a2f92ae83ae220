#pragma once

#include <QSettings>

// A settings store is used as a plain QSettings; the interface exists so the
// store's construction can sit behind a factory.
class IOxaSettings : public virtual QSettings
{
public:
    ~IOxaSettings() override = default;
};
