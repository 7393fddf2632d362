#pragma once
// The command line of the tap and of the virtual card, read by QCommandLineParser. What
// it refuses is said in the tools' own words: "unknown option '-x'" for an option it does
// not know and "--name needs a value" for a last option left without its value. Options
// are written as they always were, "--name value" and "-h": "--name=value", "--h" and a
// "--" that ends the options are unknown options.

#include <QCommandLineParser>

#include <string>
#include <vector>

class OptionParser {
public:
    explicit OptionParser(const QList<QCommandLineOption>& options);
    OptionParser(const OptionParser&) = delete;
    OptionParser& operator=(const OptionParser&) = delete;

    // Reads `args` (the program's name left out): empty when they are accepted, else why not.
    std::string parse(const std::vector<std::string>& args);

    bool isSet(const char* name) const;
    // Every value `name` was given, in the order given.
    std::vector<std::string> values(const char* name) const;
    // The arguments that are no option nor an option's value.
    std::vector<std::string> positional() const;

private:
    QString typed(const QString& name) const;
    std::string unknownForm() const;
    bool takesValue(const QString& name) const;

    QCommandLineParser parser_;
    QList<QCommandLineOption> options_;
    QStringList args_;
};
