#include "cli/CliArguments.h"

#include "model/BusinessMemory.h"
#include "model/PowerLevel.h"
#include "model/StrobeData.h"

#include <QCommandLineParser>
#include <QHash>
#include <QRegularExpression>
#include <cmath>

namespace lumadesk::cli {

namespace {

const QString kProgram = QStringLiteral("lumadesk-cli");
const QString kGlobal = QStringLiteral("[--port NAME] [--baud N] [--json]");

// Longest wait anyone may ask for: a day.
constexpr double kLongestSeconds = 24 * 60 * 60;

struct CommandInfo {
    CliCommand command;
    const char* name;
    const char* synopsis; // after the command's name
    int fewest;           // positional arguments
    int most;
    const char* help;
};

const CommandInfo kCommands[] = {
    {CliCommand::Ports, "ports", "", 0, 0,
     "Lists the serial devices the system reports: name and description, one a line.\n"
     "A name works as --port NAME."},
    {CliCommand::Scan, "scan", " STUDIO [--wait SECONDS]", 1, 1,
     "Tells the dongle to address the studio's group, waits (default 6 s) and prints every\n"
     "head that answered, with its settings, in channel order. Exit 3 when none answered."},
    {CliCommand::Set, "set", " STUDIO CHANNEL SETTING [VALUE] [--wait SECONDS]", 3, 4,
     "Selects the studio, waits until the head on CHANNEL has reported (at most --wait,\n"
     "default 6 s), stores the new value and sends the head its unit command, then waits\n"
     "until a report of the head carries the value, at most the console's time-out for\n"
     "confirmations (1.5 s), and prints the head as its reports left it.\n"
     "\n"
     "SETTING VALUE:\n"
     "  flash 1.1..8.1          flash level\n"
     "  model 1.1..8.1          modelling-lamp level\n"
     "  cell on|off             photo cell\n"
     "  sound on|off            sound trigger\n"
     "  power on|off            the head's flash power\n"
     "  lamp on|off             the modelling lamp\n"
     "  mode1 free|prop         modelling-lamp mode 1\n"
     "  mode2 continuous|flash-prop   modelling-lamp mode 2\n"
     "  test                    fire a test flash\n"
     "\n"
     "Exit 0 only when the head confirmed the value. A head that clamps a level echoes its\n"
     "own value, which is printed; the exit is then 3. Without an echo the head is printed\n"
     "as it last reported itself, also with exit 3."},
    {CliCommand::Monitor, "monitor", " [--duration SECONDS]", 0, 0,
     "Prints every decoded report as it arrives, one line per event (status, setting,\n"
     "charge, heat, levels), until the duration ends or SIGINT (exit 0). It sends nothing.\n"
     "Once the port is open, a line on standard error says so."},
    {CliCommand::Save, "save", " STUDIO NAME [--wait SECONDS]", 2, 2,
     "Scans the studio, makes it current and writes the set-up\n"
     "\"Business Memory/NAME.xml\" in the working directory, as the console's Save does."},
    {CliCommand::Show, "show", " NAME", 1, 1,
     "Prints the preview of the set-up NAME (\"File info :\" and one line per head), as\n"
     "the console's information box holds it."},
    {CliCommand::Apply, "apply", " NAME STUDIO [--wait SECONDS]", 2, 2,
     "Loads the set-up NAME as a preview, scans the studio, copies the set-up into the\n"
     "heads found and sends each head its settings in channel order, as the console's Load\n"
     "does (without its question). Waits until every head has reported back every value\n"
     "(at most 1.5 s) and prints the heads; exit 3 when a head did not confirm them all."},
};

const CommandInfo* findCommand(const QString& name) {
    for (const CommandInfo& info : kCommands) {
        if (name == QLatin1String(info.name))
            return &info;
    }
    return nullptr;
}

QString toolUsage() {
    return QStringLiteral("Usage: %1 %2 COMMAND [ARGS]\n"
                          "Commands: ports, scan, set, monitor, save, show, apply "
                          "(%1 COMMAND --help)")
        .arg(kProgram, kGlobal);
}

QString commandUsage(const CommandInfo& info) {
    return QStringLiteral("Usage: %1 %2 %3%4")
        .arg(kProgram, kGlobal, QLatin1String(info.name), QLatin1String(info.synopsis));
}

const char kCommonHelp[] =
    "Options:\n"
    "  --port NAME   serial port: COM1..COM10, a device path or a name under /dev\n"
    "                (default: the port in Option.xml of the working directory, else COM2)\n"
    "  --baud N      baud rate (default: the one in Option.xml, else 9600)\n"
    "  --json        one JSON document per command (one JSON line per event for monitor)\n"
    "  -h, --help    this help\n";

QString toolHelp() {
    QString help = QStringLiteral("Usage: %1 %2 COMMAND [ARGS]\n\n"
                                  "The console's radio link, reports and set-ups from the "
                                  "command line.\n\nCommands:\n")
                       .arg(kProgram, kGlobal);
    for (const CommandInfo& info : kCommands)
        help +=
            QStringLiteral("  %1%2\n").arg(QLatin1String(info.name), QLatin1String(info.synopsis));
    help += QStringLiteral("\n%1"
                           "  -v, --version the version\n\n"
                           "STUDIO is A..E or \"Studio A\"..\"Studio E\"; CHANNEL is CH-01..CH-10 "
                           "or 1..10.\n"
                           "Set-ups lie in \"Business Memory\" of the working directory.\n\n"
                           "Exit status: 0 done, 1 usage error, 2 the port cannot be opened (or "
                           "was lost),\n3 no answer (no head, no echo in time), 4 a file could "
                           "not be read or written,\n130 interrupted while waiting.\n")
                .arg(QLatin1String(kCommonHelp));
    return help;
}

QString commandHelp(const CommandInfo& info) {
    QString help = commandUsage(info) + QStringLiteral("\n\n") + QLatin1String(info.help) +
                   QStringLiteral("\n\n") + QLatin1String(kCommonHelp);
    if (QByteArray(info.synopsis).contains("--wait"))
        help += QStringLiteral("  --wait SECONDS  how long the heads have to answer the studio "
                               "select (default 6)\n");
    if (info.command == CliCommand::Monitor)
        help += QStringLiteral("  --duration SECONDS  stop after this long (default: until "
                               "SIGINT)\n");
    return help;
}

// The reason a --wait or --duration value is refused, or an empty text once it is in `out`.
QString takeSeconds(const QString& option, const QString& text, std::chrono::milliseconds& out) {
    bool ok = false;
    const double seconds = text.toDouble(&ok);
    if (ok && std::isfinite(seconds) && seconds > kLongestSeconds)
        return QStringLiteral("--%1 allows at most %2 seconds (a day), not \"%3\"")
            .arg(option)
            .arg(qint64(kLongestSeconds))
            .arg(text);
    if (!ok || !std::isfinite(seconds) || seconds <= 0)
        return QStringLiteral("--%1 needs seconds above 0, not \"%2\"").arg(option, text);
    out = std::chrono::milliseconds(std::max<long long>(1, std::llround(seconds * 1000)));
    return {};
}

// What QCommandLineParser cannot tell apart: "-1" is a short option to it, and "--port" takes
// whatever word follows, "--json" included. A word that reads as a negative number becomes an
// argument (through a stand-in that `restore` maps back after the parse), and an option whose
// value is missing or is another option is given an empty value, so that "--port", "--port
// --json" and "--port=" are refused alike.
class WordGuard {
public:
    // valueOptions: the long options that take a value. command: the words start with the
    // command's name (whose own options follow), else the tool's options come first and the
    // first plain word ends them.
    WordGuard(QStringList words, QStringList valueOptions, bool command)
        : m_words(std::move(words)), m_valueOptions(std::move(valueOptions)) {
        static const QRegularExpression negative(QStringLiteral("^-[0-9.]"));
        for (qsizetype i = 1; i < m_words.size(); ++i) {
            const QString& word = m_words[i];
            if (word == QLatin1String("--"))
                break;
            if (negative.match(word).hasMatch()) {
                if (!command)
                    break;
                m_words[i] = stand(word);
                continue;
            }
            if (!word.startsWith(u'-')) {
                if (!command)
                    break;
                continue;
            }
            const QString option = word.mid(2);
            if (!word.startsWith(QLatin1String("--")) || !m_valueOptions.contains(option))
                continue;
            const bool missing =
                i + 1 >= m_words.size() ||
                (m_words[i + 1].startsWith(u'-') && !negative.match(m_words[i + 1]).hasMatch());
            if (missing)
                m_words[i] = word + QLatin1Char('=');
            else
                ++i; // the value, whatever it looks like
        }
    }

    const QStringList& words() const { return m_words; }

    QStringList restore(QStringList words) const {
        for (QString& word : words) {
            if (const auto it = m_stood.constFind(word); it != m_stood.constEnd())
                word = *it;
        }
        return words;
    }

private:
    QString stand(const QString& word) {
        const QString key = QStringLiteral("\x01%1").arg(m_stood.size());
        m_stood.insert(key, word);
        return key;
    }

    QStringList m_words;
    QStringList m_valueOptions;
    QHash<QString, QString> m_stood;
};

// The options every parser knows, so they may also follow the command.
struct CommonOptions {
    QCommandLineOption port{QStringLiteral("port"), QString(), QStringLiteral("NAME")};
    QCommandLineOption baud{QStringLiteral("baud"), QString(), QStringLiteral("N")};
    QCommandLineOption json{QStringLiteral("json")};
    QCommandLineOption help{QStringList{QStringLiteral("h"), QStringLiteral("help")}};

    void addTo(QCommandLineParser& parser) const {
        parser.addOption(port);
        parser.addOption(baud);
        parser.addOption(json);
        parser.addOption(help);
    }
    // False with a reason when a value is unusable.
    bool take(const QCommandLineParser& parser, Invocation& invocation, QString& error) const {
        if (parser.isSet(port)) {
            invocation.portName = parser.value(port);
            if (invocation.portName->trimmed().isEmpty()) {
                error = QStringLiteral("--port needs a name");
                return false;
            }
        }
        if (parser.isSet(baud)) {
            bool ok = false;
            const int rate = parser.value(baud).toInt(&ok);
            if (!ok || rate <= 0) {
                error = QStringLiteral("--baud needs a positive whole number, not \"%1\"")
                            .arg(parser.value(baud));
                return false;
            }
            invocation.baudRate = rate;
        }
        invocation.json = invocation.json || parser.isSet(json);
        return true;
    }
};

ParsedCommandLine invalid(const QString& reason, const QString& usage) {
    ParsedCommandLine result;
    result.outcome = ParsedCommandLine::Invalid;
    result.text = reason;
    result.usage = usage;
    return result;
}

ParsedCommandLine text(ParsedCommandLine::Outcome outcome, const QString& text) {
    ParsedCommandLine result;
    result.outcome = outcome;
    result.text = text;
    return result;
}

// Fills the command's own arguments; the reason when they do not make sense.
QString takeArguments(const CommandInfo& info, const QStringList& args, Invocation& inv) {
    auto studio = [&inv](const QString& text) {
        inv.studio = ParseStudio(text);
        return inv.studio < 0 ? QStringLiteral("no studio \"%1\" (A..E)").arg(text) : QString();
    };
    auto name = [&inv](const QString& text) {
        inv.name = text;
        return MemoryFilePath(text).isEmpty()
                   ? QStringLiteral("a set-up name cannot hold \"/\" or \"\\\" or be \".\" or "
                                    "\"..\"")
                   : QString();
    };
    switch (info.command) {
    case CliCommand::Ports:
    case CliCommand::Monitor:
        return {};
    case CliCommand::Scan:
        return studio(args[0]);
    case CliCommand::Save:
        if (QString error = studio(args[0]); !error.isEmpty())
            return error;
        return name(args[1]);
    case CliCommand::Show:
        return name(args[0]);
    case CliCommand::Apply:
        if (QString error = name(args[0]); !error.isEmpty())
            return error;
        return studio(args[1]);
    case CliCommand::Set:
        break;
    }

    if (QString error = studio(args[0]); !error.isEmpty())
        return error;
    inv.channel = ParseChannel(args[1]);
    if (inv.channel < 0)
        return QStringLiteral("no channel \"%1\" (CH-01..CH-10 or 1..10)").arg(args[1]);
    inv.setting = lumadesk::SettingNamed(args[2]);
    if (inv.setting == nullptr)
        return QStringLiteral("no setting \"%1\" (%2)").arg(args[2], lumadesk::SettingNames());
    const UnitSetting& setting = *inv.setting;
    if (setting.kind == SettingKind::Trigger)
        return args.size() == 3 ? QString() : QStringLiteral("%1 takes no value").arg(setting.name);
    if (args.size() < 4)
        return QStringLiteral("%1 needs a value").arg(setting.name);
    const QString& value = args[3];
    if (setting.kind == SettingKind::Level) {
        inv.value = ParseLevel(value);
        return inv.value < 0 ? QStringLiteral("%1 needs a level %2..%3, not \"%4\"")
                                   .arg(QLatin1String(setting.name), FormatPowerLevel(kLowestLevel),
                                        FormatPowerLevel(kHighestLevel), value)
                             : QString();
    }
    if (value == QLatin1String(setting.onWord) || value == QLatin1String(setting.offWord)) {
        inv.value = value == QLatin1String(setting.onWord) ? 1 : 0;
        return {};
    }
    return QStringLiteral("%1 is %2 or %3, not \"%4\"")
        .arg(setting.name, setting.onWord, setting.offWord, value);
}

} // namespace

int ParseStudio(const QString& text) {
    static const QRegularExpression studio(QStringLiteral("^(?:studio )?([a-e])$"),
                                           QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = studio.match(text);
    return match.hasMatch() ? match.captured(1).toUpper().at(0).unicode() - u'A' : -1;
}

int ParseChannel(const QString& text) {
    for (int channel = 0; channel < kChannelCount; ++channel) {
        if (text.compare(ChannelLabel(channel), Qt::CaseInsensitive) == 0 ||
            text == QString::number(channel + 1))
            return channel;
    }
    return -1;
}

ParsedCommandLine ParseCommandLine(const QStringList& arguments) {
    const CommonOptions common;
    QCommandLineParser tool;
    tool.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    common.addTo(tool);
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    tool.addOption(version);
    const QStringList commonValues{QStringLiteral("port"), QStringLiteral("baud")};
    const WordGuard toolWords(arguments, commonValues, false);
    if (!tool.parse(toolWords.words()))
        return invalid(tool.errorText(), toolUsage());
    if (tool.isSet(common.help))
        return text(ParsedCommandLine::Help, toolHelp());
    if (tool.isSet(version))
        return text(ParsedCommandLine::Version,
                    QStringLiteral("%1 %2\n").arg(kProgram, QStringLiteral(LUMADESK_VERSION)));

    ParsedCommandLine result;
    Invocation& inv = result.invocation;
    QString error;
    if (!common.take(tool, inv, error))
        return invalid(error, toolUsage());
    const QStringList rest = tool.positionalArguments();
    if (rest.isEmpty())
        return invalid(QStringLiteral("no command given"), toolUsage());
    const CommandInfo* info = findCommand(rest.first());
    if (info == nullptr)
        return invalid(QStringLiteral("unknown command \"%1\"").arg(rest.first()), toolUsage());
    inv.command = info->command;

    QCommandLineParser own;
    common.addTo(own);
    const QCommandLineOption wait(QStringLiteral("wait"), QString(), QStringLiteral("SECONDS"));
    const QCommandLineOption duration(QStringLiteral("duration"), QString(),
                                      QStringLiteral("SECONDS"));
    const bool waits = QByteArray(info->synopsis).contains("--wait");
    if (waits)
        own.addOption(wait);
    if (info->command == CliCommand::Monitor)
        own.addOption(duration);
    QStringList ownArguments = rest;
    ownArguments.first() = kProgram + QLatin1Char(' ') + rest.first();
    QStringList ownValues = commonValues;
    if (waits)
        ownValues.append(QStringLiteral("wait"));
    if (info->command == CliCommand::Monitor)
        ownValues.append(QStringLiteral("duration"));
    const WordGuard ownWords(ownArguments, ownValues, true);
    const QString usage = commandUsage(*info);
    if (!own.parse(ownWords.words()))
        return invalid(own.errorText(), usage);
    if (own.isSet(common.help))
        return text(ParsedCommandLine::Help, commandHelp(*info));
    if (!common.take(own, inv, error))
        return invalid(error, usage);
    if (waits && own.isSet(wait)) {
        if (QString reason = takeSeconds(QStringLiteral("wait"), own.value(wait), inv.wait);
            !reason.isEmpty())
            return invalid(reason, usage);
    }
    if (info->command == CliCommand::Monitor && own.isSet(duration)) {
        std::chrono::milliseconds ms{0};
        if (QString reason = takeSeconds(QStringLiteral("duration"), own.value(duration), ms);
            !reason.isEmpty())
            return invalid(reason, usage);
        inv.duration = ms;
    }

    const QStringList args = ownWords.restore(own.positionalArguments());
    if (args.size() < info->fewest)
        return invalid(QStringLiteral("%1 needs more arguments").arg(info->name), usage);
    if (args.size() > info->most)
        return invalid(
            QStringLiteral("%1: unexpected argument \"%2\"").arg(info->name, args.at(info->most)),
            usage);
    if (QString reason = takeArguments(*info, args, inv); !reason.isEmpty())
        return invalid(reason, usage);
    result.outcome = ParsedCommandLine::Run;
    return result;
}

} // namespace lumadesk::cli
