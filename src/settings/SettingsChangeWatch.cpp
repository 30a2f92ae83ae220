#include "settings/SettingsChangeWatch.h"

#include <QFileInfo>

#include <atomic>

namespace {
std::atomic<quint64> g_writes {0};
} // namespace

SettingsChangeWatch::SettingsChangeWatch(const QString &filePath)
    : m_file(filePath)
    , m_folder(QFileInfo(filePath).absolutePath())
    , m_seenWrites(g_writes.load(std::memory_order_relaxed))
{
    watchFolder();
    watchFile();
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &SettingsChangeWatch::onChanged);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &SettingsChangeWatch::onChanged);
}

void SettingsChangeWatch::noteWrite()
{
    g_writes.fetch_add(1, std::memory_order_relaxed);
}

SettingsChangeWatch::Change SettingsChangeWatch::takeChange()
{
    // Before the store first wrote the file its folder may not exist yet.
    if (!m_folderWatched)
        watchFolder();
    const quint64 writes = g_writes.load(std::memory_order_relaxed);
    if (writes != m_seenWrites) {
        m_seenWrites = writes;
        m_written = true;
    }
    if (m_onDisk) {
        m_onDisk = false;
        m_written = false;
        return Change::OnDisk;
    }
    if (m_written) {
        m_written = false;
        return Change::Written;
    }
    return Change::None;
}

void SettingsChangeWatch::onChanged()
{
    m_onDisk = true;
    // A file replaced by a rename is a new file: the watch on the old one ended with it.
    watchFile();
}

void SettingsChangeWatch::watchFolder()
{
    m_folderWatched = QFileInfo(m_folder).isDir() && m_watcher.addPath(m_folder);
}

void SettingsChangeWatch::watchFile()
{
    if (!m_watcher.files().contains(m_file) && QFileInfo(m_file).isFile())
        m_watcher.addPath(m_file);
}
