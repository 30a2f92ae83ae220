#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>

// Tells a reader that keeps a settings store open when what it read may be
// out of date: after a write through any store of this process, and after the
// file changed on disk (edited in place, or replaced by an editor that writes a
// new file and renames it over the old one, which only the folder sees).
class SettingsChangeWatch : public QObject
{
public:
    explicit SettingsChangeWatch(const QString &filePath);

    enum class Change {
        None,
        Written, // through a store of this process: every store sees it at once
        OnDisk, // the store must read the file again
    };
    // What happened since the last call; the first call reports a write, so
    // the reader reads once to begin with.
    Change takeChange();

    // Writers in this process call this after they changed a value, so that
    // readers see it on their next turn, before the store reaches the disk.
    static void noteWrite();

private:
    void onChanged();
    void watchFolder();
    void watchFile();

    QFileSystemWatcher m_watcher;
    QString m_file;
    QString m_folder;
    quint64 m_seenWrites = 0;
    bool m_folderWatched = false;
    bool m_written = true;
    bool m_onDisk = false;
};
