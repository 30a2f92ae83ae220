#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QTimer>

namespace vrsim {

class Runtime;

// Keeps the frames of one overlay coming while someone looks at them. The application reads its
// texture back only for a frame the runtime asked for, so this asks for one frame at a time: the
// next once the last has arrived, at most kMaxFramesPerSecond. Following no overlay, or being
// inactive, asks for nothing more; the one request already out may still bring a frame.
class FrameFeed : public QObject
{
    Q_OBJECT

public:
    static constexpr int kMaxFramesPerSecond = 30;

    explicit FrameFeed(Runtime &runtime, QObject *parent = nullptr);

    // 0 follows no overlay.
    void follow(quint64 handle);
    quint64 followed() const { return m_handle; }
    void setActive(bool active);
    bool isActive() const { return m_active; }

signals:
    void frameArrived(const QImage &image);

private:
    void request();
    void receive(quint64 handle, const QImage &image);
    void forget(quint64 handle);

    Runtime &m_runtime;
    quint64 m_handle = 0;
    bool m_active = false;
    // A frame of m_handle was asked for and has not come yet.
    bool m_requested = false;
    QElapsedTimer m_sinceRequest;
    QTimer m_next;
};

} // namespace vrsim
