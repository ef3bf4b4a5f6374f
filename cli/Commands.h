#pragma once

#include "cli/CliArguments.h"
#include "cli/LinkSession.h"

#include <chrono>

namespace lumadesk::cli {

// Each command returns the tool's exit code (ExitCode.h).
int RunPorts(const Invocation& invocation);
int RunScan(const Invocation& invocation);
int RunSet(const Invocation& invocation);
int RunMonitor(const Invocation& invocation);
int RunSave(const Invocation& invocation);
int RunShow(const Invocation& invocation);
int RunApply(const Invocation& invocation);

// Shared by the commands that use the link.

// The port and baud rate to use: the command line's, else Option.xml's, else COM2 at 9600.
// The file is only read, never written.
ComSettings LinkSettings(const Invocation& invocation);

// Opens the port; EXIT_DONE, or EXIT_PORT after saying why.
int OpenLink(LinkSession& session, const Invocation& invocation);

// The exit code of a wait that did not end as hoped, after saying why; EXIT_DONE for Done.
// `noAnswer` is what to say when the time ran out.
int WaitFailure(LinkSession::WaitEnd end, const LinkSession& session, const QString& noAnswer);

// Opens the port and scans as the console does, waiting the full time; the studio, or null with
// `exitCode` set when the port did not open or the wait was cut short.
StudioData* OpenAndScan(LinkSession& session, const Invocation& invocation, int& exitCode);

// Says that no head of the scanned studio answered (and what that means for the command);
// returns EXIT_NO_ANSWER.
int NoHeadAnswered(const StudioData& studio, const Invocation& invocation,
                   const QString& consequence = {});

QString SecondsText(std::chrono::milliseconds duration);

} // namespace lumadesk::cli
