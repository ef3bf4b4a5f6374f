#include "cli/Commands.h"
#include "cli/ExitCode.h"
#include "cli/Output.h"

#include <QSerialPortInfo>

int RunPorts(const Invocation& invocation) {
    QList<QByteArray> items;
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts()) {
        if (invocation.json)
            items.append(JsonObject({{"name", JsonString(port.portName())},
                                     {"description", JsonString(port.description())}}));
        else
            PrintOut(port.description().isEmpty()
                         ? port.portName()
                         : QStringLiteral("%1  %2").arg(port.portName(), port.description()));
    }
    if (invocation.json)
        PrintOutBytes(JsonObject({{"ports", JsonArray(items)}}) + '\n');
    return EXIT_DONE;
}
