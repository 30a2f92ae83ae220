#include "FailureTable.h"

namespace vrsim {

void FailureTable::arm(ApiMethod method, int code, int count)
{
    m_armed[static_cast<size_t>(method)] = {code, count};
}

int FailureTable::take(ApiMethod method)
{
    Armed &armed = m_armed[static_cast<size_t>(method)];
    if (armed.remaining <= 0)
        return 0;
    --armed.remaining;
    return armed.code;
}

uint32_t FailureTable::armedMask() const
{
    uint32_t mask = 0;
    for (size_t i = 0; i < m_armed.size(); ++i) {
        if (m_armed[i].remaining > 0)
            mask |= methodBit(static_cast<ApiMethod>(i));
    }
    return mask;
}

} // namespace vrsim
