#include "ApiMethod.h"

namespace vrsim {

const char *apiMethodName(ApiMethod method)
{
    const auto index = static_cast<size_t>(method);
    return index < kApiMethodCount ? kApiMethodNames[index].name : "";
}

std::optional<ApiMethod> apiMethodFromName(const std::string &name)
{
    for (size_t i = 0; i < kApiMethodCount; ++i) {
        const ApiMethodName &entry = kApiMethodNames[i];
        if (name == entry.name || (entry.alias && name == entry.alias))
            return static_cast<ApiMethod>(i);
    }
    return std::nullopt;
}

std::string apiMethodNames()
{
    std::string names;
    for (const ApiMethodName &entry : kApiMethodNames) {
        if (!names.empty())
            names += ", ";
        names += entry.name;
        if (entry.alias)
            names += std::string(" (or ") + entry.alias + ")";
    }
    return names;
}

} // namespace vrsim
