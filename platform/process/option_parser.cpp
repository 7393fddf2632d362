#include "option_parser.h"

namespace {

// Arguments go into Qt and come back byte for byte: a file's name need not be UTF-8.
QString fromBytes(const std::string& bytes)
{
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string toBytes(const QString& text)
{
    return text.toLatin1().toStdString();
}

std::vector<std::string> toBytes(const QStringList& list)
{
    std::vector<std::string> out;
    out.reserve(static_cast<std::size_t>(list.size()));
    for (const QString& text : list)
        out.push_back(toBytes(text));
    return out;
}

// The option an argument names, without its dashes or its "=value".
QString optionName(const QString& argument)
{
    return argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1).section(QLatin1Char('='), 0, 0);
}

// Whether `argument` is where QCommandLineParser found the unknown option `name`: "--name",
// "--name=value", or one letter of "-abc".
bool names(const QString& argument, const QString& name)
{
    if (argument.startsWith(QLatin1String("--")))
        return optionName(argument) == name;
    return argument.startsWith(QLatin1Char('-')) && name.size() == 1 && argument.indexOf(name, 1) > 0;
}

// How the tools have always written an option: "--name", or "-h" for a name of one letter.
bool writtenAsAlways(const QString& argument)
{
    const qsizetype letters = optionName(argument).size();
    const bool twoDashes = argument.startsWith(QLatin1String("--"));
    return !argument.contains(QLatin1Char('=')) && (twoDashes ? letters > 1 : letters == 1);
}

std::string unknownOption(const QString& argument)
{
    return "unknown option '" + toBytes(argument) + "'";
}

} // namespace

OptionParser::OptionParser(const QList<QCommandLineOption>& options)
    : options_(options)
{
    parser_.addOptions(options);
}

std::string OptionParser::parse(const std::vector<std::string>& args)
{
    args_.clear();
    for (const std::string& arg : args)
        args_.append(fromBytes(arg));
    // QCommandLineParser takes the first argument for the program's name.
    const bool accepted = parser_.parse(QStringList(QStringLiteral("program")) + args_);
    const QStringList unknown = parser_.unknownOptionNames();
    if (!unknown.isEmpty())
        return unknownOption(typed(unknown.first()));
    const std::string form = unknownForm();
    if (!form.empty() || accepted)
        return form;
    // Otherwise the last argument is an option that needs a value and has none.
    return toBytes(args_.last()) + " needs a value";
}

QString OptionParser::typed(const QString& name) const
{
    for (const QString& argument : args_) {
        if (names(argument, name))
            return argument;
    }
    return QLatin1Char('-') + name;
}

// QCommandLineParser also reads "--name=value", "--h", "-hh" and "--" as the end of the
// options; the tools have never taken any of these, so each stays an unknown option.
std::string OptionParser::unknownForm() const
{
    for (qsizetype i = 0; i < args_.size(); ++i) {
        const QString& argument = args_.at(i);
        if (argument.size() > 1 && argument.startsWith(QLatin1Char('-')) && !writtenAsAlways(argument))
            return unknownOption(argument);
        if (argument.startsWith(QLatin1String("--")) && takesValue(optionName(argument)))
            ++i;  // its value, whatever it looks like
    }
    return {};
}

bool OptionParser::takesValue(const QString& name) const
{
    for (const QCommandLineOption& option : options_) {
        if (option.names().contains(name))
            return !option.valueName().isEmpty();
    }
    return false;
}

bool OptionParser::isSet(const char* name) const
{
    return parser_.isSet(QString::fromLatin1(name));
}

std::vector<std::string> OptionParser::values(const char* name) const
{
    return toBytes(parser_.values(QString::fromLatin1(name)));
}

std::vector<std::string> OptionParser::positional() const
{
    return toBytes(parser_.positionalArguments());
}
