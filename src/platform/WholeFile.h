#pragma once

#include <QByteArray>
#include <QString>

namespace lumadesk {

// What a symbolic link at a file's name is taken for: the file it points to, or not a file.
enum class FileLinks { Follow, Refuse };

// Reads the whole file when it is a regular one of at most maxBytes. A FIFO, a device or a
// folder is refused without being waited on: the path is checked before the open, the open does
// not block, and the open descriptor is checked again. With FileLinks::Refuse, a link is refused
// too, also one put there between the check and the open.
[[nodiscard]] bool ReadRegularFile(const QString& path, qint64 maxBytes, QByteArray& bytes,
                                   FileLinks links = FileLinks::Follow);

// Whether the file is a regular one that can be opened for reading, found out by the same rule
// and without reading it.
[[nodiscard]] bool CanReadRegularFile(const QString& path);

// Puts the bytes in the file's place whole or not at all: written to a new file beside it,
// checked, flushed to the disk, then renamed over the name. A failure (a full disk, a folder that
// cannot be written) leaves the earlier file as it was and no temporary file. A name held by
// anything but a regular file is refused; with FileLinks::Follow a link is taken to its target,
// as QSaveFile does, with FileLinks::Refuse it is refused and the rename would replace the link
// itself, never write where it points. An existing file keeps its permissions.
[[nodiscard]] bool SaveWholeFile(const QString& path, const QByteArray& bytes,
                                 FileLinks links = FileLinks::Follow);

// The name of the file a temporary file of SaveWholeFile was for ("keep.xml" for
// "keep.xml.Ab12Cd": the name, a point and six letters or digits), or an empty text for a name
// of another form. Such a file outlives only a save that was killed.
[[nodiscard]] QString SavedNameOfLeftover(const QString& fileName);

} // namespace lumadesk
