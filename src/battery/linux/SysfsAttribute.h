#pragma once

#include <QByteArray>

#include <cstdint>
#include <optional>

// Reading one attribute file of the kernel's power-supply class. The files
// are written by drivers we do not control and, in tests, by hand, so every
// reader takes any content and answers "absent" rather than guessing.

// The file's content without surrounding whitespace; absent when the entry is
// not a regular file (a FIFO, a folder, a device), cannot be read, or is
// longer than any attribute the kernel writes. Never waits on the entry. The
// path is in the file system's own encoding (QFile::encodeName).
std::optional<QByteArray> readSysfsAttribute(const QByteArray &path);

// Whether anything at all is at the path, file or not.
bool sysfsEntryExists(const QByteArray &path);

// A whole number of zero or more written in decimal digits only; absent for
// anything else, including signs, fractions and values beyond 64 bits.
std::optional<int64_t> parseSysfsCount(const QByteArray &text);
