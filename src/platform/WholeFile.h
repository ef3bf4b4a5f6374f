#pragma once

#include <QByteArray>
#include <QString>

namespace lumadesk {

// What a symbolic link at a file's name is taken for: the file it points to, not a file, or
// (for a save) a name like any other, which the saved file takes over.
enum class FileLinks { Follow, Refuse, Replace };

// Reads the whole file when it is a regular one of at most maxBytes. A FIFO, a device or a
// folder is refused without being waited on: the path is checked before the open, the open does
// not block, and the open descriptor is checked again. With FileLinks::Refuse, a link is refused
// too, also one put there between the check and the open.
[[nodiscard]] bool ReadRegularFile(const QString& path, qint64 maxBytes, QByteArray& bytes,
                                   FileLinks links = FileLinks::Follow);

// Whether the file is a regular one that can be opened for reading, found out by the same rule
// and without reading it.
[[nodiscard]] bool CanReadRegularFile(const QString& path);

// Puts the bytes in the file's place whole or not at all: written to a new file beside it
// (".keep.xml.lumadesk-Ab12Cd", locked while the save runs), checked, flushed to the disk, then
// renamed over the name. A failure (a full disk, a folder that cannot be written) leaves the
// earlier file as it was and no temporary file. A name held by anything but a regular file is
// refused; with FileLinks::Follow a link is taken to its target, as QSaveFile does, with
// FileLinks::Refuse it is refused, and with FileLinks::Replace the file takes the link's place;
// the last two never write where a link points. An existing file keeps its permissions.
[[nodiscard]] bool SaveWholeFile(const QString& path, const QByteArray& bytes,
                                 FileLinks links = FileLinks::Follow);

// Whether the name is one SaveWholeFile gives its temporary files: hidden, ending in
// ".lumadesk-" and six letters or digits. Nobody names a file of their own like that;
// "keep.xml.backup" or "keep.xml.Ab12Cd" is not one.
[[nodiscard]] bool IsSaveLeftover(const QString& fileName);

// Removes such a temporary file unless a save still holds its lock; a link or anything but a
// regular file is left. True when it was removed.
bool RemoveSaveLeftover(const QString& path);

} // namespace lumadesk
