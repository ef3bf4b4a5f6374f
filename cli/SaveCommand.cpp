#include "cli/Commands.h"
#include "cli/ExitCode.h"
#include "cli/Output.h"
#include "model/BusinessMemory.h"

int RunSave(const Invocation& invocation) {
    LinkSession session;
    if (const int code = OpenLink(session, invocation); code != EXIT_DONE)
        return code;
    int code = EXIT_DONE;
    const StudioData* studio = ScanStudio(session, invocation, code);
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
        PrintError(QStringLiteral("no head of %1 answered within %2; nothing saved")
                       .arg(studio->sStudioName, SecondsText(invocation.wait)));
        return EXIT_NO_ANSWER;
    }
    const QString path = MemoryFilePath(invocation.name);
    if (invocation.json)
        PrintOutBytes(StudioJson(*studio, {{"file", JsonString(path)}}) + '\n');
    else
        PrintOut(StudioText(*studio) + QStringLiteral("\nsaved to ") + path);
    return EXIT_DONE;
}
