#pragma once

#include "model/XmlFileContext.h"

#include <QString>

namespace lumadesk {

// Stored set-ups ("Business Memory"): one XML file per name in the folder "Business Memory" of
// the working directory, each holding the units of one studio. Functions return 1 on success and
// 0 on failure, and show their own messages. GUI thread only.

inline constexpr char kMemoryFolder[] = "Business Memory";

// "Business Memory/<name>.xml", or an empty string for a name that could leave the folder: one
// holding "/", "\" or a NUL, and "." and "..". The empty name is the file ".xml".
QString MemoryFilePath(const QString& name);

// Why a set-up cannot be saved under the name, for the box: it holds a control character or an
// invisible or text-direction mark (U+202E and the like), so it would not show as typed or would
// look like another name. Empty when it can. The joiners U+200C and U+200D are allowed.
QString MemoryNameProblem(const QString& name);

// Appends the stored names, without ".xml", to pFileList, sorted by name (case folded first);
// does not clear it. Creates the folder when it is missing. Links are not listed, nor are the
// temporary files of saves; those older than a minute that no save holds (left by a save that
// was killed) are removed. No other file is ever removed.
void ListMemoryFiles(XmlFileContext* context);

// The stored names as ListMemoryFiles lists them, read in one pass over the folder, which it
// neither creates nor cleans: for listeners that only look (the phone remote). Empty when the
// folder is missing.
QStringList StoredSetupNames();

// Reads the file of the name into the memory studio, which the caller has cleared. Only a
// regular file is read, never a link. A level outside 11-81 or a switch other than 0 or 1 fails
// the load, as a malformed file does. On failure shows "Fail to open file"; units read before the
// failure stay. Either way the context's loadProblem is told what was wrong, or an empty text.
int LoadMemoryFile(XmlFileContext* context, const QString& name);

// LoadMemoryFile without the box, for callers that answer someone other than the operator. why,
// when given, receives what was wrong ("evening.xml: CH-03 nFlashValue 95 is out of range
// 11-81"), or an empty text.
bool ReadMemoryFile(XmlFileContext* context, const QString& name, QString* why = nullptr);

// ReadMemoryFile of a file anywhere (a set-up brought from another computer), by its path:
// the same rules, the memory studio cleared first. why, when given, says what was wrong.
bool ReadSetupFileAt(XmlFileContext* context, const QString& path, QString* why = nullptr);

// Writes the current studio to the file of the name (in Unicode's composed form, NFC), replacing
// an earlier file only once the new one is whole; a link or anything else that is not a regular
// file at that name is refused. Switches are written as 0 or 1. No current studio: 0, nothing
// shown. An empty studio: "No channel item." and 1, nothing written. Failure: "Fail to save
// file" and 0; for a name MemoryNameProblem refuses, or a unit holding a level outside 11-81,
// the box says why below it.
int SaveMemoryFile(XmlFileContext* context, const QString& name);

// The preview behind a click in the list: clears the memory studio, loads the file into it and
// returns "File info :\r\n" with one line per unit, or an empty text when the load failed; the
// memory studio is then left empty, so nothing of a refused file can be applied.
QString PreviewMemoryFile(XmlFileContext* context, const QString& name);

// The save behind the Save command: SaveMemoryFile, then, when it returned 1, the list emptied
// and filled again. Returns what SaveMemoryFile returned.
int SaveMemoryFileAndRelist(XmlFileContext* context, const QString& name);

} // namespace lumadesk
