#pragma once

#include "cli/EventTap.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <initializer_list>
#include <utility>

namespace lumadesk {
struct StrobeData;
struct StudioData;
} // namespace lumadesk

namespace lumadesk::cli {

// Everything the tool prints. Lines go out whole and flushed at once: monitor feeds scripts
// that act on each line as it comes.
void PrintOut(const QString& text); // standard output, a line feed added
void PrintOutBytes(const QByteArray& bytes);
// Whether standard output failed, as it does once the reader of a pipe went away (SIGPIPE is
// ignored, so the tool can still close the port in order).
bool OutputClosed();
void PrintError(const QString& text); // standard error, "lumadesk-cli: " before it

// JSON texts, built in the record's member order so a person reading them finds their way.
QByteArray JsonString(const QString& text);
QByteArray JsonObject(std::initializer_list<std::pair<const char*, QByteArray>> members);
QByteArray JsonArray(const QList<QByteArray>& items);

QByteArray UnitJson(const StrobeData& unit);
// {"studio": sStudioName, "units": [...]} with the used slots in slot order; `extra` members
// follow.
QByteArray StudioJson(const StudioData& studio,
                      std::initializer_list<std::pair<const char*, QByteArray>> extra = {});
QByteArray EventJson(const RadioEvent& event);

// For people.
QString UnitLine(const StrobeData& unit);
QString StudioText(const StudioData& studio); // a heading, then one line per unit
QString EventLine(const RadioEvent& event);

// The studio as the command's result: its JSON document or its text.
void PrintStudio(const StudioData& studio, bool json);

} // namespace lumadesk::cli
