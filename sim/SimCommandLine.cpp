#include "sim/SimCommandLine.h"

#include <QCommandLineParser>
#include <cmath>

namespace lumadesk::sim {

namespace {

// Longest delay or time a user may give: a day.
constexpr qint64 kLongestMs = 24 * 60 * 60 * 1000;

bool parseSeconds(const QString& text, bool allowZero, Milliseconds& out) {
    bool ok = false;
    const double seconds = text.toDouble(&ok);
    if (!ok || !std::isfinite(seconds) || seconds < 0 || (!allowZero && seconds <= 0) ||
        seconds * 1000 > double(kLongestMs))
        return false;
    out = Milliseconds(qint64(std::llround(seconds * 1000)));
    return allowZero || out.count() > 0;
}

bool parseDelay(const QString& text, Milliseconds& low, Milliseconds& high) {
    const QStringList ends = text.split(QLatin1Char('-'));
    if (ends.size() != 2)
        return false;
    bool okLow = false;
    bool okHigh = false;
    const qint64 a = ends[0].trimmed().toLongLong(&okLow);
    const qint64 b = ends[1].trimmed().toLongLong(&okHigh);
    if (!okLow || !okHigh || a < 0 || b < a || b > kLongestMs)
        return false;
    low = Milliseconds(a);
    high = Milliseconds(b);
    return true;
}

} // namespace

SimCommandLine ParseSimCommandLine(const QStringList& arguments) {
    SimCommandLine result;
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Plays the radio dongle and the flash heads behind it on a pseudo-terminal.\n"
        "Prints the device path to open as its first line (and the new one after a replug)\n"
        "and runs until interrupted."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption link(QStringLiteral("link"),
                                  QStringLiteral("Keep PATH a symbolic link to the device."),
                                  QStringLiteral("PATH"));
    const QCommandLineOption heads(
        QStringLiteral("heads"),
        QStringLiteral("Heads of a group, channels 1-10 (A:1-4, C:2,5,10); repeatable. "
                       "Default A:1-4,B:1,2,5,C:1,E:1-10."),
        QStringLiteral("GROUP:CHANNELS"));
    const QCommandLineOption seed(QStringLiteral("seed"),
                                  QStringLiteral("Seed for delays and noise (default: random)."),
                                  QStringLiteral("N"));
    const QCommandLineOption delay(
        QStringLiteral("delay"),
        QStringLiteral("Announcement delay range in ms, echoes a tenth (default 50-1500)."),
        QStringLiteral("MIN-MAX"));
    const QCommandLineOption heat(
        QStringLiteral("heat-interval"),
        QStringLiteral("Shortest time between two heat reports of a head (default 2)."),
        QStringLiteral("SECONDS"));
    const QCommandLineOption noise(
        QStringLiteral("noise"),
        QStringLiteral("Chance 0-1 of stray bytes or a rejected frame before a report."),
        QStringLiteral("RATE"));
    const QCommandLineOption cut(QStringLiteral("cut-after"),
                                 QStringLiteral("Pull the dongle after this long."),
                                 QStringLiteral("SECONDS"));
    const QCommandLineOption replug(
        QStringLiteral("replug-after"),
        QStringLiteral("Plug it in again this long after the cut (a new device)."),
        QStringLiteral("SECONDS"));
    const QCommandLineOption deaf(
        QStringLiteral("deaf"),
        QStringLiteral("Heads that answer a scan but ignore every command (A:3, or 3 for "
                       "channel 3 of every group); repeatable."),
        QStringLiteral("HEADS"));
    const QCommandLineOption verbose(QStringLiteral("verbose"),
                                     QStringLiteral("Log every frame in and out on stderr."));
    parser.addOptions({link, heads, seed, delay, heat, noise, cut, replug, deaf, verbose});
    result.helpText = parser.helpText();

    auto invalid = [&result](const QString& why) {
        result.outcome = SimCommandLine::Invalid;
        result.error = why;
        return result;
    };
    if (!parser.parse(arguments))
        return invalid(parser.errorText());
    if (parser.isSet(help)) {
        result.outcome = SimCommandLine::ShowHelp;
        return result;
    }
    if (parser.isSet(version)) {
        result.outcome = SimCommandLine::ShowVersion;
        return result;
    }
    if (!parser.positionalArguments().isEmpty())
        return invalid(
            QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first()));

    SimConfig& config = result.config;
    QString error;
    if (parser.isSet(heads) && !ParseHeads(parser.values(heads), config.heads, error))
        return invalid(QStringLiteral("--heads: %1").arg(error));
    if (parser.isSet(deaf) &&
        !ParseDeafHeads(parser.values(deaf), config.heads, config.deafHeads, error))
        return invalid(QStringLiteral("--deaf: %1").arg(error));
    if (parser.isSet(seed)) {
        bool ok = false;
        config.seed = parser.value(seed).toULongLong(&ok);
        if (!ok)
            return invalid(QStringLiteral("--seed needs a whole number of 0 or more"));
        result.seedGiven = true;
    }
    if (parser.isSet(delay) && !parseDelay(parser.value(delay), config.delayMin, config.delayMax))
        return invalid(QStringLiteral("--delay needs MIN-MAX in milliseconds, MIN not above MAX"));
    if (parser.isSet(heat) && !parseSeconds(parser.value(heat), false, config.heatInterval))
        return invalid(QStringLiteral("--heat-interval needs a time in seconds above 0"));
    if (parser.isSet(noise)) {
        bool ok = false;
        config.noiseRate = parser.value(noise).toDouble(&ok);
        if (!ok || !(config.noiseRate >= 0 && config.noiseRate <= 1))
            return invalid(QStringLiteral("--noise needs a rate from 0 to 1"));
    }
    Milliseconds time{0};
    if (parser.isSet(cut)) {
        if (!parseSeconds(parser.value(cut), true, time))
            return invalid(QStringLiteral("--cut-after needs a time in seconds"));
        config.cutAfter = time;
    }
    if (parser.isSet(replug)) {
        if (!config.cutAfter)
            return invalid(QStringLiteral("--replug-after needs --cut-after"));
        if (!parseSeconds(parser.value(replug), true, time))
            return invalid(QStringLiteral("--replug-after needs a time in seconds"));
        config.replugAfter = time;
    }
    if (parser.isSet(link)) {
        config.linkPath = parser.value(link);
        if (config.linkPath.isEmpty())
            return invalid(QStringLiteral("--link needs a path"));
    }
    result.verbose = parser.isSet(verbose);
    result.outcome = SimCommandLine::Run;
    return result;
}

} // namespace lumadesk::sim
