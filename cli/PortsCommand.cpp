#include "cli/Commands.h"
#include "cli/ExitCode.h"
#include "cli/Output.h"
#include "platform/ports/SerialPortList.h"

namespace lumadesk::cli {

int RunPorts(const Invocation& invocation) {
    QList<QByteArray> items;
    for (const SerialPortEntry& port : ListSerialPorts()) {
        if (invocation.json)
            items.append(JsonObject(
                {{"name", JsonString(port.name)}, {"description", JsonString(port.description)}}));
        else
            PrintOut(port.description.isEmpty()
                         ? port.name
                         : QStringLiteral("%1  %2").arg(port.name, port.description));
    }
    if (invocation.json)
        PrintOutBytes(JsonObject({{"ports", JsonArray(items)}}) + '\n');
    return EXIT_DONE;
}

} // namespace lumadesk::cli
