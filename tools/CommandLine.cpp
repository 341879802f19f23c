#include "CommandLine.h"

#include "CliOutput.h"

CommandLine::CommandLine(const QString &command, const QString &positional, const QString &summary)
    : command_(command), positionalUsage_(positional) {
  parser_.setApplicationDescription(summary);
  parser_.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  parser_.addOption(QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")},
                                       QStringLiteral("Shows this help.")));
  if (!positional.isEmpty()) parser_.addPositionalArgument(positional, QString(), positional);
}

void CommandLine::addFlag(const QString &name, const QString &description) {
  parser_.addOption(QCommandLineOption(name, description));
}

void CommandLine::addValue(const QString &name, const QString &valueName,
                           const QString &description, const QString &defaultValue) {
  parser_.addOption(QCommandLineOption(name, description, valueName, defaultValue));
}

bool CommandLine::parse(const QStringList &args, int minPositional, int maxPositional,
                        int &status) {
  const QStringList all = QStringList{QStringLiteral("korvane-cli ") + command_} + args;
  if (!parser_.parse(all)) {
    status = usageError(parser_.errorText());
    return false;
  }
  if (parser_.isSet(QStringLiteral("help"))) {
    QString help = parser_.helpText();
    // The parser names the program by its path; the user typed "korvane-cli COMMAND".
    const qsizetype lineEnd = help.indexOf(QLatin1Char('\n'));
    help.replace(
        0, lineEnd,
        QStringLiteral("Usage: korvane-cli ") + command_ + QStringLiteral(" [options]") +
            (positionalUsage_.isEmpty() ? QString() : QLatin1Char(' ') + positionalUsage_));
    WriteOut(help);
    status = 0;
    return false;
  }
  const qsizetype count = parser_.positionalArguments().size();
  if (count < minPositional) {
    status = usageError(QStringLiteral("missing ") + positionalUsage_);
    return false;
  }
  if (maxPositional >= 0 && count > maxPositional) {
    status = usageError(QStringLiteral("unexpected argument: ") +
                        parser_.positionalArguments().at(maxPositional));
    return false;
  }
  return true;
}

bool CommandLine::intValue(const QString &name, int minimum, int &target, int &status) {
  if (!parser_.isSet(name)) return true;
  bool ok = false;
  const int value = parser_.value(name).toInt(&ok);
  if (!ok || value < minimum) {
    status = usageError(QStringLiteral("--%1 needs a whole number of %2 or more, not '%3'")
                            .arg(name)
                            .arg(minimum)
                            .arg(parser_.value(name)));
    return false;
  }
  target = value;
  return true;
}

int CommandLine::usageError(const QString &reason) {
  QString usage = QStringLiteral("usage: korvane-cli ") + command_;
  if (!positionalUsage_.isEmpty()) usage += QLatin1Char(' ') + positionalUsage_;
  usage += QStringLiteral(" [options]; see korvane-cli ") + command_ + QStringLiteral(" --help");
  return Fail(QStringLiteral("korvane-cli ") + command_ + QStringLiteral(": ") + reason +
              QLatin1Char('\n') + usage);
}
