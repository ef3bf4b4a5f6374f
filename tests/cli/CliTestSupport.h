#pragma once

#include "support/BuildPath.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <memory>

namespace lumadesk {

// Runs the real lumadesk-cli. Waits are bounds, not sleeps: a run that hangs fails the test.
struct CliRun {
    int exitCode = -1;
    bool finished = false;
    QByteArray out;
    QByteArray err;
};

// With `pipeTo`, standard output goes through a real pipe into that process.
inline std::unique_ptr<QProcess> startCli(const QStringList& arguments,
                                          const QString& workingDirectory = {},
                                          QProcess* pipeTo = nullptr) {
    auto process = std::make_unique<QProcess>();
    if (!workingDirectory.isEmpty())
        process->setWorkingDirectory(workingDirectory);
    if (pipeTo != nullptr)
        process->setStandardOutputProcess(pipeTo);
    process->start(fromTestProgram(LUMADESK_CLI_PROGRAM), arguments);
    return process;
}

inline CliRun finishCli(QProcess& process, int timeoutMs = 30000) {
    CliRun run;
    run.finished =
        process.waitForFinished(timeoutMs) && process.exitStatus() == QProcess::NormalExit;
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

inline CliRun runCli(const QStringList& arguments, const QString& workingDirectory = {}) {
    const std::unique_ptr<QProcess> process = startCli(arguments, workingDirectory);
    return finishCli(*process);
}

// What the process wrote on the channel until it has written that many lines.
inline QByteArray readUntilLines(QProcess& process, QProcess::ProcessChannel channel, int lines) {
    QByteArray text;
    process.setReadChannel(channel);
    while (text.count('\n') < lines && process.waitForReadyRead(10000))
        text += process.readAll();
    return text;
}

inline QJsonObject jsonObject(const QByteArray& text) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        qWarning("not a JSON object (%s): %s", qPrintable(error.errorString()), text.constData());
    return document.object();
}

// Describes a run for a failing check.
inline QByteArray describe(const CliRun& run) {
    return "exit " + QByteArray::number(run.exitCode) + "\nstdout: " + run.out +
           "\nstderr: " + run.err;
}

} // namespace lumadesk
