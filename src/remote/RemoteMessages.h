#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace lumadesk {

class PendingValues;
struct StudioModel;

// The phone's requests and the console's answers on /ws, as docs/remote.md lists them. Pure:
// no socket, no clock, so the fuzzer and the tests drive them directly.

enum class RemoteOp { Step, Switch, Test, Offset, Load, SendAgain };

struct RemoteRequest {
    RemoteOp op = RemoteOp::Test;
    int id = 0;
    int channel = -1;    // step, switch, test
    bool flash = true;   // step, offset: "flash" or "model"
    int by = 0;          // step, offset: tenths
    int commandType = 0; // switch: CMD_FLASH_POWER or CMD_MODEL_POWER
    bool on = false;     // switch
    QString name;        // load
};

// Either a request or why not; the id when one could be read, so the error can carry it.
struct RemoteParse {
    std::optional<RemoteRequest> request;
    std::optional<int> id;
    QString error;
};

// Longest set-up name a request may carry; the files' own names are far shorter.
inline constexpr int kMaxRemoteNameLength = 255;

// Strict: one JSON object of at most maxBytes, exactly the keys of its op, each of its type and
// range. Anything else is an error and no request.
[[nodiscard]] RemoteParse ParseRemoteRequest(QByteArrayView message, int maxBytes = 4096);

[[nodiscard]] QByteArray RemoteOkJson(int id);
[[nodiscard]] QByteArray RemoteErrorJson(std::optional<int> id, const QString& error);

// What the state shows besides the records.
struct RemoteStateInputs {
    const StudioModel* model = nullptr;
    const PendingValues* book = nullptr;
    std::function<bool(int studio, int channel)> answering; // none: every head answers
    bool connected = false;
    QStringList setups;
    // The list is left out of the message (the phone keeps the one it has).
    bool withSetups = true;
};

// The "state" message: the link, the scanned studio (null before a scan) with its heads in
// channel order, and the stored set-ups when withSetups. The same inputs give the same bytes.
[[nodiscard]] QByteArray RemoteStateJson(const RemoteStateInputs& inputs);

} // namespace lumadesk
