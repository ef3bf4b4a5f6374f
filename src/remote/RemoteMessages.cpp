#include "remote/RemoteMessages.h"

#include "link/FrameTypes.h"
#include "link/PendingValues.h"
#include "model/PowerLevel.h"
#include "model/StudioModel.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QLatin1StringView>
#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <limits>

namespace lumadesk {

namespace {

// A JSON number that is a whole number within lo..hi; 1.5, true and "1" are not.
std::optional<int> wholeNumber(const QJsonValue& value, int lo, int hi) {
    if (!value.isDouble())
        return std::nullopt;
    const double d = value.toDouble();
    if (!std::isfinite(d) || std::floor(d) != d || d < lo || d > hi)
        return std::nullopt;
    return int(d);
}

struct Reader {
    const QJsonObject& object;
    RemoteParse& out;

    bool fail(const QString& why) {
        out.error = why;
        return false;
    }
    // Exactly these keys besides "id" and "op".
    bool keys(std::initializer_list<QLatin1StringView> wanted) {
        for (auto it = object.begin(); it != object.end(); ++it) {
            const QString key = it.key();
            if (key == QLatin1String("id") || key == QLatin1String("op"))
                continue;
            bool known = false;
            for (QLatin1StringView w : wanted)
                known = known || key == w;
            if (!known)
                return fail(QStringLiteral("unknown key %1").arg(key.left(32)));
        }
        for (QLatin1StringView w : wanted) {
            if (!object.contains(w))
                return fail(QStringLiteral("missing key %1").arg(w));
        }
        return true;
    }
    bool channel(RemoteRequest& request) {
        const auto c = wholeNumber(object.value(QLatin1String("channel")), 0, 9);
        if (!c)
            return fail(QStringLiteral("channel must be a whole number 0..9"));
        request.channel = *c;
        return true;
    }
    bool value(RemoteRequest& request) {
        const QJsonValue v = object.value(QLatin1String("value"));
        if (v == QJsonValue(QLatin1String("flash")) || v == QJsonValue(QLatin1String("model"))) {
            request.flash = v.toString() == QLatin1String("flash");
            return true;
        }
        return fail(QStringLiteral("value must be \"flash\" or \"model\""));
    }
};

QString stateWord(Confirmation state) {
    switch (state) {
    case Confirmation::Pending:
        return QStringLiteral("pending");
    case Confirmation::Unconfirmed:
        return QStringLiteral("unconfirmed");
    case Confirmation::NotSent:
        return QStringLiteral("unsent");
    case Confirmation::Confirmed:
        break;
    }
    return QStringLiteral("confirmed");
}

} // namespace

RemoteParse ParseRemoteRequest(QByteArrayView message, int maxBytes) {
    RemoteParse out;
    if (message.size() > maxBytes) {
        out.error = QStringLiteral("message longer than %1 bytes").arg(maxBytes);
        return out;
    }
    QJsonParseError problem;
    const QJsonDocument document = QJsonDocument::fromJson(message.toByteArray(), &problem);
    if (problem.error != QJsonParseError::NoError || !document.isObject()) {
        out.error = QStringLiteral("not a JSON object");
        return out;
    }
    const QJsonObject object = document.object();
    out.id =
        wholeNumber(object.value(QLatin1String("id")), 0, std::numeric_limits<std::int32_t>::max());
    if (!out.id) {
        out.error = QStringLiteral("id must be a whole number 0..2147483647");
        return out;
    }
    Reader read{object, out};
    RemoteRequest request;
    request.id = *out.id;
    const QString op = object.value(QLatin1String("op")).toString();
    bool ok = false;
    if (op == QLatin1String("step")) {
        request.op = RemoteOp::Step;
        ok = read.keys({QLatin1String("channel"), QLatin1String("value"), QLatin1String("by")}) &&
             read.channel(request) && read.value(request);
        if (ok) {
            const auto by = wholeNumber(object.value(QLatin1String("by")), -10, 10);
            ok = by && (*by == -10 || *by == -1 || *by == 1 || *by == 10);
            if (ok)
                request.by = *by;
            else
                read.fail(QStringLiteral("by must be -10, -1, 1 or 10"));
        }
    } else if (op == QLatin1String("switch")) {
        request.op = RemoteOp::Switch;
        ok = read.keys({QLatin1String("channel"), QLatin1String("setting"), QLatin1String("on")}) &&
             read.channel(request);
        if (ok) {
            const QJsonValue setting = object.value(QLatin1String("setting"));
            const QJsonValue on = object.value(QLatin1String("on"));
            if (setting == QJsonValue(QLatin1String("flashPower")))
                request.commandType = CMD_FLASH_POWER;
            else if (setting == QJsonValue(QLatin1String("modelPower")))
                request.commandType = CMD_MODEL_POWER;
            else
                ok = read.fail(QStringLiteral("setting must be \"flashPower\" or \"modelPower\""));
            if (ok && !on.isBool())
                ok = read.fail(QStringLiteral("on must be true or false"));
            request.on = on.toBool();
        }
    } else if (op == QLatin1String("test")) {
        request.op = RemoteOp::Test;
        ok = read.keys({QLatin1String("channel")}) && read.channel(request);
    } else if (op == QLatin1String("offset")) {
        request.op = RemoteOp::Offset;
        ok = read.keys({QLatin1String("value"), QLatin1String("by")}) && read.value(request);
        if (ok) {
            const auto by =
                wholeNumber(object.value(QLatin1String("by")), kLowestOffset, kHighestOffset);
            ok = by && *by != 0;
            if (ok)
                request.by = *by;
            else
                read.fail(QStringLiteral("by must be a whole number -81..81, not 0"));
        }
    } else if (op == QLatin1String("load")) {
        request.op = RemoteOp::Load;
        ok = read.keys({QLatin1String("name")});
        if (ok) {
            const QJsonValue name = object.value(QLatin1String("name"));
            request.name = name.toString();
            ok = name.isString() && !request.name.isEmpty() &&
                 request.name.size() <= kMaxRemoteNameLength;
            if (!ok)
                read.fail(QStringLiteral("name must be a set-up's name"));
        }
    } else if (op == QLatin1String("sendAgain")) {
        request.op = RemoteOp::SendAgain;
        ok = read.keys({});
    } else {
        out.error = QStringLiteral("op must be step, switch, test, offset, load or sendAgain");
    }
    if (ok)
        out.request = request;
    return out;
}

QByteArray RemoteOkJson(int id) {
    return QJsonDocument(
               QJsonObject{{QLatin1String("type"), QLatin1String("ok")}, {QLatin1String("id"), id}})
        .toJson(QJsonDocument::Compact);
}

QByteArray RemoteErrorJson(std::optional<int> id, const QString& error) {
    return QJsonDocument(QJsonObject{{QLatin1String("type"), QLatin1String("error")},
                                     {QLatin1String("id"), id ? QJsonValue(*id) : QJsonValue()},
                                     {QLatin1String("error"), error}})
        .toJson(QJsonDocument::Compact);
}

QByteArray RemoteStateJson(const RemoteStateInputs& inputs) {
    QJsonObject state{{QLatin1String("type"), QLatin1String("state")}};
    state.insert(QLatin1String("link"),
                 QJsonObject{{QLatin1String("connected"), inputs.connected},
                             {QLatin1String("text"), inputs.connected
                                                         ? QLatin1String("Zigbee connected")
                                                         : QLatin1String("Zigbee disconnected")}});
    const StudioData* studio = inputs.model != nullptr ? inputs.model->pScanStudio : nullptr;
    QJsonArray heads;
    if (studio != nullptr) {
        state.insert(QLatin1String("studio"),
                     QJsonObject{{QLatin1String("number"), studio->nStudioNum},
                                 {QLatin1String("name"), studio->sStudioName}});
        auto confirmation = [&](const StrobeData& unit, int StrobeData::*member) {
            return stateWord(inputs.book != nullptr ? inputs.book->stateOf(unit, member)
                                                    : Confirmation::Confirmed);
        };
        auto level = [&](const StrobeData& unit, int StrobeData::*member) {
            return QJsonObject{{QLatin1String("level"), unit.*member},
                               {QLatin1String("text"), FormatPowerLevel(unit.*member)},
                               {QLatin1String("state"), confirmation(unit, member)}};
        };
        auto onOff = [&](const StrobeData& unit, int StrobeData::*member) {
            return QJsonObject{{QLatin1String("on"), unit.*member != 0},
                               {QLatin1String("state"), confirmation(unit, member)}};
        };
        const std::vector<StrobeData*> ticked = TickedUnits(studio);
        for (const StrobeData* unit : UnitsOf(studio)) {
            const bool answering =
                !inputs.answering || inputs.answering(studio->nStudioNum, unit->nChNum);
            heads.append(QJsonObject{
                {QLatin1String("channel"), unit->nChNum},
                {QLatin1String("label"), unit->sChName},
                {QLatin1String("name"), unit->sModelName},
                {QLatin1String("ticked"),
                 std::find(ticked.cbegin(), ticked.cend(), unit) != ticked.cend()},
                {QLatin1String("answering"), answering},
                {QLatin1String("flash"), level(*unit, &StrobeData::nFlashValue)},
                {QLatin1String("model"), level(*unit, &StrobeData::nModelValue)},
                {QLatin1String("flashPower"), onOff(*unit, &StrobeData::bFlashPow)},
                {QLatin1String("modelPower"), onOff(*unit, &StrobeData::bModelPow)},
            });
        }
    } else {
        state.insert(QLatin1String("studio"), QJsonValue());
    }
    state.insert(QLatin1String("heads"), heads);
    state.insert(QLatin1String("unsent"),
                 inputs.book != nullptr ? inputs.book->unsentText() : QString());
    if (inputs.withSetups)
        state.insert(QLatin1String("setups"), QJsonArray::fromStringList(inputs.setups));
    return QJsonDocument(state).toJson(QJsonDocument::Compact);
}

} // namespace lumadesk
