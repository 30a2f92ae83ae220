#include "openvr/RepeatingFailure.h"

#include <QDebug>

void RepeatingFailure::succeeded(const std::string &overlayName)
{
    if (m_failures == 0)
        return;
    qInfo() << m_call << "failed" << static_cast<quint64>(m_failures)
            << "times in a row, now settled, name:" << overlayName.c_str();
    m_failures = 0;
}
