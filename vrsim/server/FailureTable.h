#pragma once

#include "ApiMethod.h"

#include <array>
#include <cstdint>

namespace vrsim {

// Failures armed with `vrsim fail`: the next `count` calls of a method return `code`.
class FailureTable
{
public:
    void arm(ApiMethod method, int code, int count);
    // The code this call must fail with, using up one armed failure; 0 when none is armed.
    int take(ApiMethod method);
    uint32_t armedMask() const;

private:
    struct Armed
    {
        int code = 0;
        int remaining = 0;
    };
    std::array<Armed, static_cast<size_t>(ApiMethod::Count)> m_armed {};
};

} // namespace vrsim
