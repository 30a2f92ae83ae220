#pragma once

#include <QElapsedTimer>
#include <QString>

#include <cstdint>
#include <filesystem>

// Tells a reader that keeps a settings store open when what it read may be
// out of date: after a write through any store of this process, and after the
// file changed on disk (edited in place, or replaced by an editor that writes a
// new file and renames it over the old one).
//
// The disk is looked at by the file's size and modification time, twice a
// second at most, when the reader asks: a file watch would put a descriptor in
// every wake of the GUI thread, 50 a second, to save two stat calls a second.
// A hand edit takes effect within about a second either way.
class SettingsChangeWatch
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

    static constexpr int diskCheckIntervalMs = 500;

private:
    struct FileState
    {
        bool exists = false;
        std::uintmax_t size = 0;
        std::filesystem::file_time_type modified {};
        bool operator==(const FileState &other) const
        {
            return exists == other.exists && size == other.size && modified == other.modified;
        }
        bool operator!=(const FileState &other) const { return !(*this == other); }
    };
    FileState fileState() const;

    std::filesystem::path m_file;
    FileState m_seen;
    QElapsedTimer m_sinceDiskCheck;
    quint64 m_seenWrites = 0;
    bool m_written = true;
};
