#include "cli/Commands.h"
#include "cli/ExitCode.h"
#include "cli/Output.h"
#include "model/BusinessMemory.h"
#include "platform/MessageBox.h"

#include <QDir>
#include <QFile>
#include <climits>
#include <unistd.h>

namespace lumadesk::cli {

namespace {

// Why the set-up's file cannot be made, when its name is longer than the folder's file system
// allows; else an empty text. The core's box only says "Fail to save file".
QString nameTooLong(const QString& name) {
    const QByteArray folder = QFile::encodeName(QString::fromLatin1(kMemoryFolder));
    long limit = ::pathconf(
        QDir(QString::fromLatin1(kMemoryFolder)).exists() ? folder.constData() : ".", _PC_NAME_MAX);
    if (limit <= 0)
        limit = NAME_MAX;
    const qsizetype bytes = QFile::encodeName(name + QStringLiteral(".xml")).size();
    if (bytes <= limit)
        return {};
    return QStringLiteral("name too long (%1 bytes with \".xml\", the file system allows %2)")
        .arg(bytes)
        .arg(limit);
}

} // namespace

int RunSave(const Invocation& invocation) {
    // The file takes the name's composed form, as the console's save gives it.
    const QString name = invocation.name.normalized(QString::NormalizationForm_C);
    // Known before the scan, so no one waits for heads whose set-up cannot be written.
    QString reason = nameTooLong(name);
    if (reason.isEmpty() && !MemoryFilePath(name).isEmpty())
        reason = MemoryNameProblem(name);
    if (!reason.isEmpty()) {
        ShowMessageBox(QStringLiteral("Fail to save file"));
        PrintError(reason);
        return EXIT_FILE;
    }
    LinkSession session;
    int code = EXIT_DONE;
    const StudioData* studio = OpenAndScan(session, invocation, code);
    if (studio == nullptr)
        return code;

    XmlFileContext context;
    context.pModel = &session.Model();
    // The console has the folder from the moment its panel listed it.
    ListMemoryFiles(&context);
    if (SaveMemoryFile(&context, name) == 0)
        return EXIT_FILE; // the core said "Fail to save file"
    if (studio->nChItemCnt == 0) {
        // The core said "No channel item." and wrote nothing.
        return NoHeadAnswered(*studio, invocation, QStringLiteral("nothing saved"));
    }
    const QString path = MemoryFilePath(name);
    if (invocation.json)
        PrintOutBytes(StudioJson(*studio, {{"file", JsonString(path)}}) + '\n');
    else
        PrintOut(StudioText(*studio) + QStringLiteral("\nsaved to ") + path);
    return EXIT_DONE;
}

} // namespace lumadesk::cli
