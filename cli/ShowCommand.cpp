#include "cli/Commands.h"
#include "cli/ExitCode.h"
#include "cli/Output.h"
#include "model/BusinessMemory.h"

namespace lumadesk::cli {

int RunShow(const Invocation& invocation) {
    StudioModel model;
    XmlFileContext context;
    context.pModel = &model;
    const QString info = PreviewMemoryFile(&context, invocation.name);
    if (info.isEmpty())
        return EXIT_FILE; // the core said "Fail to open file"
    if (invocation.json) {
        PrintOutBytes(StudioJson(*model.pMemoryStudio, {{"name", JsonString(invocation.name)},
                                                        {"info", JsonString(info)}}) +
                      '\n');
    } else {
        // The box's lines end in CR LF; a terminal wants line feeds.
        QString text = info;
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        PrintOutBytes(text.toUtf8());
    }
    return EXIT_DONE;
}

} // namespace lumadesk::cli
