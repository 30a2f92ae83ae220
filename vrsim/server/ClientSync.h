#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <unordered_map>

namespace vrsim {

class PeerConnection;

// Brings applications in step: each gets a Sync and answers it once it has applied everything
// sent before and sent everything it did before. A command that changed what applications mirror
// (or reads what they count) finishes only then, so whoever ran it can rely on the result.
class ClientSync : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // `done` runs once all have answered, gone away, or a second has passed.
    void start(const QList<PeerConnection *> &peers, std::function<void()> done);
    // False when the reply answers no Sync of this object.
    bool answer(PeerConnection *peer, quint32 id);
    void forget(PeerConnection *peer);

private:
    struct Round
    {
        int outstanding = 0;
        bool finished = false;
        std::function<void()> done;
    };

    void settle(const std::shared_ptr<Round> &round);

    struct Waiting
    {
        PeerConnection *peer;
        std::shared_ptr<Round> round;
    };
    std::unordered_map<quint32, Waiting> m_waiting;
    quint32 m_nextId = 1;
};

} // namespace vrsim
