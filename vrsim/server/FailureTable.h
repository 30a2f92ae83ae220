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

    struct Armed
    {
        int code = 0;
        int remaining = 0;
    };
    // Indexed by ApiMethod.
    const std::array<Armed, kApiMethodCount> &armed() const { return m_armed; }

private:
    std::array<Armed, kApiMethodCount> m_armed {};
};

} // namespace vrsim
