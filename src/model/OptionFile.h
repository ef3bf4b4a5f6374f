#pragma once

#include "model/XmlFileContext.h"
#include "platform/ComSettings.h"

namespace lumadesk {

// "Option.xml" in the working directory: the port name and the baud rate, the only COM settings
// that survive a restart. The context may be null (the command-line tool has none).

inline constexpr char kOptionFile[] = "Option.xml";

// Reads both values over what the record holds. Returns 1 when both were taken, else 0 and shows
// nothing; what was not taken keeps its value. The port name is taken as it stands; the baud rate
// only when it is above 0 (the port cannot open at 0), so such a file returns 0 with the port
// name taken and the baud rate kept.
int ReadOptionFile(XmlFileContext* context, ComSettings& settings);

// Writes both values, replacing the file only once the new one is whole. On failure shows
// "Fail to save file" and returns 0, else 1.
int WriteOptionFile(XmlFileContext* context, const ComSettings& settings);

} // namespace lumadesk
