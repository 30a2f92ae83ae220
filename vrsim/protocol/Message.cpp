#include "Message.h"

namespace vrsim {

Message &Message::appendInteger(int64_t value)
{
    values.emplace_back(value);
    return *this;
}

Message &Message::operator<<(double value)
{
    values.emplace_back(value);
    return *this;
}

Message &Message::operator<<(std::string value)
{
    values.emplace_back(std::move(value));
    return *this;
}

Message &Message::operator<<(Bytes value)
{
    values.emplace_back(std::move(value));
    return *this;
}

template<class T>
const T *MessageReader::take()
{
    if (!m_ok || m_next >= m_message.values.size()) {
        m_ok = false;
        return nullptr;
    }
    const T *value = std::get_if<T>(&m_message.values[m_next++]);
    if (!value)
        m_ok = false;
    return value;
}

int64_t MessageReader::integer()
{
    const int64_t *value = take<int64_t>();
    return value ? *value : 0;
}

double MessageReader::real()
{
    const double *value = take<double>();
    return value ? *value : 0.0;
}

std::string MessageReader::text()
{
    const std::string *value = take<std::string>();
    return value ? *value : std::string();
}

const Bytes &MessageReader::bytes()
{
    static const Bytes empty;
    const Bytes *value = take<Bytes>();
    return value ? *value : empty;
}

} // namespace vrsim
