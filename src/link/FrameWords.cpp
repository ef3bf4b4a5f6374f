#include "link/FrameWords.h"

#include "link/ChannelMask.h"
#include "link/FrameTypes.h"
#include "link/LevelsFrame.h"
#include "link/UnitSettingTable.h"
#include "model/PowerLevel.h"

#include <algorithm>
#include <cstring>

namespace lumadesk {

namespace {

QString settingsText(const StrobeData& unit) {
    QStringList parts;
    for (const UnitSetting& setting : UnitSettings()) {
        if (setting.member != nullptr)
            parts.append(SettingText(setting, unit.*setting.member));
    }
    return parts.join(QStringLiteral(", "));
}

// A unit command's parameters and its echo's value are the same two bytes.
QString valueText(int type, qintptr value) {
    const UnitSetting* setting = SettingOfCommand(type);
    if (setting == nullptr)
        return QStringLiteral("type %1, value %2").arg(type).arg(value, 4, 16, QLatin1Char('0'));
    const int byte = EchoedByte(*setting, value);
    switch (setting->kind) {
    case SettingKind::Level:
        if (!IsValidLevel(byte))
            return QStringLiteral("%1 out of range (%2)")
                .arg(QLatin1String(setting->name))
                .arg(byte);
        return SettingText(*setting, byte);
    case SettingKind::Switch:
        return SettingText(*setting, byte != 0 ? 1 : 0);
    case SettingKind::Trigger:
        break;
    }
    return QStringLiteral("test flash");
}

// The heads' (flash, model) pairs; slots without a head are left out.
QString pairsText(const std::uint8_t* frame) {
    QStringList pairs;
    const LevelsFrame heads = ReadLevelsFrame(frame);
    for (int channel = 0; channel < kChannelCount; ++channel) {
        if (const std::optional<LevelPair>& pair = heads[std::size_t(channel)])
            pairs.append(QStringLiteral("%1 %2/%3")
                             .arg(ChannelLabel(channel), FormatPowerLevel(pair->flash),
                                  FormatPowerLevel(pair->model)));
    }
    return pairs.isEmpty() ? QStringLiteral("no head") : pairs.join(QStringLiteral(", "));
}

QString levelsName(int type) {
    return type == LEVELS_FLASH ? QStringLiteral("flash levels") : QStringLiteral("model levels");
}

QString kindName(int kind) {
    switch (kind) {
    case kStatusReport:
        return QStringLiteral("status");
    case kSettingReport:
        return QStringLiteral("echo");
    case kHeatReport:
        return QStringLiteral("heat");
    case kChargeReport:
        return QStringLiteral("charge");
    default:
        return {};
    }
}

} // namespace

QString FrameWords::HeadsOf(std::uint16_t mask) {
    QStringList heads;
    for (int channel = 0; channel < kChannelCount; ++channel) {
        if (mask & MaskFromChannel(channel))
            heads.append(ChannelLabel(channel));
    }
    if ((mask & kGroupMask) != 0)
        heads.append(QStringLiteral("group"));
    return heads.isEmpty() ? QStringLiteral("no head") : heads.join(QLatin1Char(','));
}

QString FrameWords::HexOf(const std::uint8_t* frame, int count) {
    return QString::fromLatin1(
        QByteArray::fromRawData(reinterpret_cast<const char*>(frame), count).toHex(' ').toUpper());
}

QString FrameWords::describe(TrafficDirection direction, const std::uint8_t* frame, int count) {
    if (frame == nullptr || count < 3)
        return QStringLiteral("too short for a frame");
    // The decoders read a short frame's missing bytes as zeros, as the assembler hands them.
    std::array<std::uint8_t, TrafficFrame::kMaxBytes> bytes{};
    std::memcpy(bytes.data(), frame, std::size_t(std::min(count, TrafficFrame::kMaxBytes)));
    return direction == TrafficDirection::Received ? describeReport(bytes.data(), count)
                                                   : describeCommand(bytes.data(), count);
}

QString FrameWords::describeReport(const std::uint8_t* frame, int) {
    const int kind = ReportAssembler::KindOf(frame[2]);
    if (kind == kQuietReport00 || kind == kQuietReport02)
        return QStringLiteral("report without content, ignored");
    if (kind == ReportAssembler::kRejected)
        return QStringLiteral("unknown report 0x%1, ignored")
            .arg(frame[2], 2, 16, QLatin1Char('0'));
    m_words.text.clear();
    m_decoder.DispatchReport(frame, kind);
    const int type = ReportType(frame[2]);
    if (kind == kSettingReport && (type == LEVELS_FLASH || type == LEVELS_MODEL))
        return m_words.text;
    const QString heads = HeadsOf(std::uint16_t(frame[3] << 8 | frame[4]));
    if (m_words.text.isEmpty()) // no head of ours named
        return QStringLiteral("%1 for %2, ignored").arg(kindName(kind), heads);
    const qsizetype colon = m_words.text.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return m_words.text + QLatin1Char(' ') + heads;
    return m_words.text.left(colon) + QLatin1Char(' ') + heads + m_words.text.mid(colon);
}

QString FrameWords::describeCommand(const std::uint8_t* frame, int count) {
    const std::uint16_t mask = std::uint16_t(frame[3] << 8 | frame[4]);
    if (count == kStudioSelectLength && frame[2] == kStudioSelectFrame) {
        const int letter = frame[4];
        if (letter >= kFirstStudioLetter && letter < kFirstStudioLetter + 26)
            return QStringLiteral("select Studio %1").arg(QChar(letter));
        return QStringLiteral("select group %1").arg(letter);
    }
    if (count == kUnitCommandLength && (frame[2] & 0xF0) == kUnitCommandFrame)
        return QStringLiteral("%1 to %2")
            .arg(valueText(ReportType(frame[2]), frame[5] << 8 | frame[6]), HeadsOf(mask));
    if (count == kUnitSettingsLength && frame[2] == kUnitSettingsFrame) {
        // The settings frame carries the eight values in the status report's order.
        m_words.text.clear();
        m_decoder.DispatchReport(frame, kStatusReport);
        return QStringLiteral("settings to %1: %2")
            .arg(HeadsOf(mask), m_words.text.mid(m_words.text.indexOf(QLatin1Char(':')) + 2));
    }
    const int type = ReportType(frame[2]);
    if (count == kStudioLevelsLength && (frame[2] & 0xF0) == kStudioLevelsFrame &&
        (type == LEVELS_FLASH || type == LEVELS_MODEL))
        return QStringLiteral("studio %1: %2").arg(levelsName(type), pairsText(frame));
    return QStringLiteral("not a command of ours");
}

int FrameWords::Words::OnStatus(int, const StrobeData* status, int) {
    text = QStringLiteral("status: ") + settingsText(*status);
    return 1;
}

int FrameWords::Words::OnSettingReport(int type, int, qintptr value) {
    if (type == LEVELS_FLASH || type == LEVELS_MODEL)
        text = QStringLiteral("%1 echo: %2")
                   .arg(levelsName(type), pairsText(reinterpret_cast<const std::uint8_t*>(value)));
    else
        text = QStringLiteral("echo: ") + valueText(type, value);
    return 1;
}

int FrameWords::Words::OnChargeReport(int type, int, int value) {
    if (type == kChargeStateType)
        text = value != 0 ? QStringLiteral("charge: ready") : QStringLiteral("charge: charging");
    else if (type == kTestEchoType)
        text = QStringLiteral("test flash echo");
    else
        text = QStringLiteral("charge type %1: %2").arg(type).arg(value);
    return 1;
}

int FrameWords::Words::OnHeatReport(int type, int, int value) {
    if (type == kHeatLevelType)
        text = QStringLiteral("heat: %1").arg(value);
    else
        text = QStringLiteral("heat type %1: %2").arg(type).arg(value);
    return 1;
}

} // namespace lumadesk
