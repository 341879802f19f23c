#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

// One command's options, parsed with QCommandLineParser: every command has --help, and every
// usage error reads "korvane-cli COMMAND: reason" plus the usage line, with exit status 2.
class CommandLine {
 public:
  // `positional` is the usage text of the positional arguments ("FILE"), `summary` one line
  // on what the command does.
  CommandLine(const QString &command, const QString &positional, const QString &summary);

  QCommandLineParser &parser() { return parser_; }
  void addFlag(const QString &name, const QString &description);
  void addValue(const QString &name, const QString &valueName, const QString &description,
                const QString &defaultValue = QString());

  // Parses the arguments after the command name. False when the command must end at once,
  // with `status` its exit status: 0 after --help, 2 after a usage error (reported).
  bool parse(const QStringList &args, int minPositional, int maxPositional, int &status);

  bool isSet(const QString &name) const { return parser_.isSet(name); }
  QString value(const QString &name) const { return parser_.value(name); }
  QStringList positional() const { return parser_.positionalArguments(); }

  // A whole number of at least `minimum` from the option's value; a usage error otherwise.
  bool intValue(const QString &name, int minimum, int &target, int &status);
  int usageError(const QString &reason);

 private:
  QString command_;
  QString positionalUsage_;
  QCommandLineParser parser_;
};
