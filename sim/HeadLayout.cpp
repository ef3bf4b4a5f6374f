#include "sim/HeadLayout.h"

#include <algorithm>

namespace lumadesk::sim {

namespace {

constexpr int kGroups = 5;
constexpr int kChannels = 10;

bool parseChannelNumber(const QString& text, int& number) {
    bool ok = false;
    number = text.trimmed().toInt(&ok);
    return ok && number >= 1 && number <= kChannels;
}

// "3" or "1-4", operator numbers; adds wire channels 0-9.
bool parseChannels(const QString& item, QList<int>& channels, QString& error) {
    const QStringList ends = item.split(QLatin1Char('-'));
    int first = 0;
    int last = 0;
    if (ends.size() == 1 && parseChannelNumber(ends[0], first)) {
        last = first;
    } else if (ends.size() != 2 || !parseChannelNumber(ends[0], first) ||
               !parseChannelNumber(ends[1], last)) {
        error = QStringLiteral("\"%1\" is not a channel 1-10 or a range of them").arg(item);
        return false;
    } else if (first > last) {
        error = QStringLiteral("range \"%1\" runs backwards").arg(item);
        return false;
    }
    for (int n = first; n <= last; ++n)
        channels.append(n - 1);
    return true;
}

} // namespace

QList<HeadSetup> DefaultHeads() {
    QList<HeadSetup> heads;
    QString error;
    ParseHeads(QStringLiteral("A:1-4,B:1,2,5,C:1,E:1-10"), heads, error);
    return heads;
}

bool ParseHeads(const QString& list, QList<HeadSetup>& heads, QString& error) {
    return ParseHeads(QStringList{list}, heads, error);
}

bool ParseHeads(const QStringList& lists, QList<HeadSetup>& heads, QString& error) {
    bool seen[kGroups][kChannels] = {};
    QList<HeadSetup> out;
    for (const QString& list : lists) {
        int group = -1;
        const QStringList items = list.split(QLatin1Char(','));
        for (QString item : items) {
            item = item.trimmed();
            const qsizetype colon = item.indexOf(QLatin1Char(':'));
            if (colon >= 0) {
                const QString name = item.left(colon).trimmed().toUpper();
                if (name.size() != 1 || name[0] < QLatin1Char('A') || name[0] > QLatin1Char('E')) {
                    error = QStringLiteral("\"%1\" is not a group A-E").arg(item.left(colon));
                    return false;
                }
                group = name[0].unicode() - 'A';
                item = item.mid(colon + 1);
            } else if (group < 0) {
                error = QStringLiteral("\"%1\" needs a group first, as in A:1-4").arg(item);
                return false;
            }
            QList<int> channels;
            if (!parseChannels(item, channels, error))
                return false;
            for (int channel : channels) {
                if (seen[group][channel]) {
                    error = QStringLiteral("head %1:%2 is named twice")
                                .arg(QChar('A' + group))
                                .arg(channel + 1);
                    return false;
                }
                seen[group][channel] = true;
                out.append(HeadSetup{group, channel, {}});
            }
        }
    }
    if (out.isEmpty()) {
        error = QStringLiteral("no heads given");
        return false;
    }
    std::sort(out.begin(), out.end(), [](const HeadSetup& a, const HeadSetup& b) {
        return a.group != b.group ? a.group < b.group : a.channel < b.channel;
    });
    heads = out;
    return true;
}

bool ParseDeafHeads(const QStringList& lists, const QList<HeadSetup>& heads, QList<HeadSetup>& deaf,
                    QString& error) {
    QList<HeadSetup> named;
    for (const QString& list : lists) {
        if (list.contains(QLatin1Char(':'))) {
            QList<HeadSetup> some;
            if (!ParseHeads(list, some, error))
                return false;
            named += some;
            continue;
        }
        QList<int> channels;
        for (const QString& item : list.split(QLatin1Char(','))) {
            if (!parseChannels(item.trimmed(), channels, error))
                return false;
        }
        for (int channel : channels) {
            const qsizetype before = named.size();
            for (const HeadSetup& head : heads) {
                if (head.channel == channel)
                    named.append(HeadSetup{head.group, channel, {}});
            }
            if (named.size() == before) {
                error = QStringLiteral("no head on channel %1").arg(channel + 1);
                return false;
            }
        }
    }
    for (const HeadSetup& head : named) {
        const bool present = std::any_of(heads.begin(), heads.end(), [&](const HeadSetup& h) {
            return h.group == head.group && h.channel == head.channel;
        });
        if (!present) {
            error =
                QStringLiteral("no head %1:%2").arg(QChar('A' + head.group)).arg(head.channel + 1);
            return false;
        }
    }
    deaf = named;
    return true;
}

QString FormatHeads(const QList<HeadSetup>& heads) {
    QStringList parts;
    int group = -1;
    for (qsizetype i = 0; i < heads.size();) {
        const HeadSetup& head = heads[i];
        qsizetype end = i + 1;
        while (end < heads.size() && heads[end].group == head.group &&
               heads[end].channel == heads[end - 1].channel + 1)
            ++end;
        QString item = QString::number(head.channel + 1);
        if (end - i > 2)
            item += QStringLiteral("-%1").arg(heads[end - 1].channel + 1);
        else
            end = i + 1;
        if (head.group != group)
            item = QStringLiteral("%1:%2").arg(QChar('A' + head.group)).arg(item);
        group = head.group;
        parts.append(item);
        i = end;
    }
    return parts.join(QLatin1Char(','));
}

} // namespace lumadesk::sim
