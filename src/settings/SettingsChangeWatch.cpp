#include "settings/SettingsChangeWatch.h"

#include <atomic>
#include <system_error>

namespace {
std::atomic<quint64> g_writes {0};
} // namespace

SettingsChangeWatch::SettingsChangeWatch(const QString &filePath)
    : m_file(std::filesystem::u8path(filePath.toStdString()))
    , m_seenWrites(g_writes.load(std::memory_order_relaxed))
{
    m_seen = fileState();
    m_sinceDiskCheck.start();
}

void SettingsChangeWatch::noteWrite()
{
    g_writes.fetch_add(1, std::memory_order_relaxed);
}

SettingsChangeWatch::Change SettingsChangeWatch::takeChange()
{
    const quint64 writes = g_writes.load(std::memory_order_relaxed);
    if (writes != m_seenWrites) {
        m_seenWrites = writes;
        m_written = true;
    }
    if (m_sinceDiskCheck.elapsed() >= diskCheckIntervalMs) {
        m_sinceDiskCheck.start();
        const FileState now = fileState();
        if (now != m_seen) {
            m_seen = now;
            m_written = false;
            return Change::OnDisk;
        }
    }
    if (m_written) {
        m_written = false;
        return Change::Written;
    }
    return Change::None;
}

SettingsChangeWatch::FileState SettingsChangeWatch::fileState() const
{
    // A file that is missing, or goes between the two questions, is a state
    // of its own; the next check compares again.
    FileState state;
    std::error_code error;
    state.size = std::filesystem::file_size(m_file, error);
    if (error)
        return state;
    state.modified = std::filesystem::last_write_time(m_file, error);
    if (error)
        return FileState();
    state.exists = true;
    return state;
}
