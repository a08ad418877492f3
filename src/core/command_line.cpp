#include "core/command_line.h"

namespace tavro {

namespace {

CommandLine invalid(const QString& problem) {
    return {CommandLine::Action::Invalid, problem};
}

}  // namespace

QString usageLine() {
    return QStringLiteral("usage: tavro [--autostart on|off] [--help]");
}

CommandLine parseCommandLine(const QStringList& arguments) {
    CommandLine result;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (!argument.startsWith(QLatin1String("--")) && argument != QLatin1String("-h")) {
            continue;  // Qt's own options, and what Qt will report as left over
        }
        CommandLine next;
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            next.action = CommandLine::Action::Help;
        } else if (argument == QLatin1String("--autostart") ||
                   argument.startsWith(QLatin1String("--autostart="))) {
            QString value;
            if (argument.contains(QLatin1Char('='))) {
                value = argument.section(QLatin1Char('='), 1);
            } else if (i + 1 < arguments.size()) {
                value = arguments.at(++i);
            }
            if (value == QLatin1String("on")) {
                next.action = CommandLine::Action::AutostartOn;
            } else if (value == QLatin1String("off")) {
                next.action = CommandLine::Action::AutostartOff;
            } else {
                return invalid(QStringLiteral("--autostart takes on or off"));
            }
        } else {
            return invalid(QStringLiteral("unknown option %1").arg(argument));
        }
        if (result.action != CommandLine::Action::Run) {
            return invalid(QStringLiteral("one option at a time"));
        }
        result = next;
    }
    return result;
}

}  // namespace tavro
