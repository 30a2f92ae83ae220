#pragma once

#include <openvr.h>

#include <QTest>
#include <QVector>

// An event as tests compare it: what the program would act on, without its age.
struct EventRecord
{
    uint32_t type = 0;
    float x = 0;
    float y = 0;
    uint32_t button = 0;

    bool operator==(const EventRecord &other) const
    {
        return type == other.type && x == other.x && y == other.y && button == other.button;
    }
};

inline EventRecord record(const vr::VREvent_t &event)
{
    const bool mouse = event.eventType >= vr::VREvent_MouseMove && event.eventType <= vr::VREvent_MouseButtonUp;
    return mouse ? EventRecord {event.eventType, event.data.mouse.x, event.data.mouse.y, event.data.mouse.button}
                 : EventRecord {event.eventType, 0, 0, 0};
}

inline QVector<EventRecord> overlayEvents(vr::VROverlayHandle_t handle)
{
    QVector<EventRecord> events;
    vr::VREvent_t event {};
    while (vr::VROverlay()->PollNextOverlayEvent(handle, &event, sizeof event))
        events.append(record(event));
    return events;
}

inline QVector<EventRecord> systemEvents()
{
    QVector<EventRecord> events;
    vr::VREvent_t event {};
    while (vr::VRSystem()->PollNextEvent(&event, sizeof event))
        events.append(record(event));
    return events;
}

namespace QTest {
template<>
inline char *toString(const EventRecord &event)
{
    return qstrdup(QByteArray("{type ") + QByteArray::number(event.type) + " at " + QByteArray::number(event.x) + ","
        + QByteArray::number(event.y) + " button " + QByteArray::number(event.button) + "}");
}

template<>
inline char *toString(const QVector<EventRecord> &events)
{
    QByteArray text = "[";
    for (const EventRecord &event : events) {
        char *one = toString(event);
        text += one;
        delete[] one;
    }
    return qstrdup(text + "]");
}
} // namespace QTest
