#include "ClientSync.h"

#include "Messages.h"
#include "PeerConnection.h"

#include <QTimer>

#include <vector>

namespace vrsim {

namespace {

// An application that does not answer within this is stuck; commands go on without it.
constexpr int kSyncTimeoutMs = 1000;

} // namespace

void ClientSync::start(const QList<PeerConnection *> &peers, std::function<void()> done)
{
    auto round = std::make_shared<Round>();
    round->done = std::move(done);
    for (PeerConnection *peer : peers) {
        const quint32 id = m_nextId++;
        if (m_nextId == 0)
            m_nextId = 1;
        m_waiting[id] = {peer, round};
        ++round->outstanding;
        peer->send(msg::Sync(), id);
    }
    if (round->outstanding == 0) {
        settle(round);
        return;
    }
    QTimer::singleShot(kSyncTimeoutMs, this, [this, round] {
        for (auto it = m_waiting.begin(); it != m_waiting.end();) {
            if (it->second.round == round)
                it = m_waiting.erase(it);
            else
                ++it;
        }
        settle(round);
    });
}

bool ClientSync::answer(PeerConnection *peer, quint32 id)
{
    const auto it = m_waiting.find(id);
    if (it == m_waiting.end() || it->second.peer != peer)
        return false;
    const std::shared_ptr<Round> round = it->second.round;
    m_waiting.erase(it);
    if (--round->outstanding == 0)
        settle(round);
    return true;
}

void ClientSync::forget(PeerConnection *peer)
{
    std::vector<std::shared_ptr<Round>> complete;
    for (auto it = m_waiting.begin(); it != m_waiting.end();) {
        if (it->second.peer != peer) {
            ++it;
            continue;
        }
        if (--it->second.round->outstanding == 0)
            complete.push_back(it->second.round);
        it = m_waiting.erase(it);
    }
    // Only now: a finished command may start the next round.
    for (const std::shared_ptr<Round> &round : complete)
        settle(round);
}

void ClientSync::settle(const std::shared_ptr<Round> &round)
{
    if (round->finished)
        return;
    round->finished = true;
    if (round->done)
        round->done();
}

} // namespace vrsim
