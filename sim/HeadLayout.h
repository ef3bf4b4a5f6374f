#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace lumadesk::sim {

// The eight settings a head reports, in the order its status report carries them.
struct HeadSettings {
    quint8 flashPower = 1;
    quint8 flashLevel = 50;
    quint8 modelLevel = 50;
    quint8 cell = 0;
    quint8 sound = 0;
    quint8 modelMode1 = 0;
    quint8 modelMode2 = 0;
    quint8 modelPower = 1;

    friend bool operator==(const HeadSettings&, const HeadSettings&) = default;
};

// One head: radio group 0-4 (A-E) and wire channel 0-9 (the operator's CH-01 to CH-10).
struct HeadSetup {
    int group = 0;
    int channel = 0;
    HeadSettings settings;

    friend bool operator==(const HeadSetup&, const HeadSetup&) = default;
};

// A:1-4, B:1,2,5, C:1, E:1-10.
QList<HeadSetup> DefaultHeads();

// Reads head lists such as "A:1-4,B:1,5" or "C:2,5,10", one or more of them (a repeated option),
// into heads sorted by group and channel. Channels are operator numbers 1-10. A head named
// twice, a group other than A-E, a channel outside 1-10 or a reversed range fails with a
// one-line reason in `error`.
bool ParseHeads(const QStringList& lists, QList<HeadSetup>& heads, QString& error);
bool ParseHeads(const QString& list, QList<HeadSetup>& heads, QString& error);

// Reads --deaf lists: "A:3" as --heads takes them, or bare channels ("3", "1-2") for that
// channel in every group. Every named head must be among `heads`; otherwise false with a reason.
bool ParseDeafHeads(const QStringList& lists, const QList<HeadSetup>& heads, QList<HeadSetup>& deaf,
                    QString& error);

// The operator's way of writing a head list, ranges folded: "A:1-4,B:1,2,5".
QString FormatHeads(const QList<HeadSetup>& heads);

} // namespace lumadesk::sim
