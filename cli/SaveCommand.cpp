#include "cli/Commands.h"
#include "cli/ExitCode.h"
#include "cli/Output.h"
#include "model/BusinessMemory.h"

int RunSave(const Invocation& invocation) {
    LinkSession session;
    int code = EXIT_DONE;
    const StudioData* studio = OpenAndScan(session, invocation, code);
    if (studio == nullptr)
        return code;

    XmlFileContext context;
    context.pModel = &session.Model();
    // The console has the folder from the moment its panel listed it.
    ListMemoryFiles(&context);
    if (SaveMemoryFile(&context, invocation.name) == 0)
        return EXIT_FILE; // the core said "Fail to save file"
    if (studio->nChItemCnt == 0) {
        // The core said "No channel item." and wrote nothing.
        return NoHeadAnswered(*studio, invocation, QStringLiteral("nothing saved"));
    }
    const QString path = MemoryFilePath(invocation.name);
    if (invocation.json)
        PrintOutBytes(StudioJson(*studio, {{"file", JsonString(path)}}) + '\n');
    else
        PrintOut(StudioText(*studio) + QStringLiteral("\nsaved to ") + path);
    return EXIT_DONE;
}
