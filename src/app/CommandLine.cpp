#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QRegularExpression>

CommandLine CommandLine::parse(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Takes measured values from a balance or another measuring device on a serial port or\n"
        "TCP/IP and delivers them as keystrokes, over D-Bus, or into a workbook, a text\n"
        "file or a database table."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Show the version and exit."));
    const QCommandLineOption headless(
        QStringLiteral("headless"),
        QStringLiteral("Run without a window: status lines on standard error, SIGTERM or SIGINT ends."));
    parser.addOption(help);
    parser.addOption(version);
    parser.addOption(headless);
    parser.addPositionalArgument(
        QStringLiteral("CONFIG"),
        QStringLiteral("Configuration file, relative to the program directory (default standard.cfg)."),
        QStringLiteral("[CONFIG]"));

    CommandLine line;
    if (!parser.parse(arguments)) {
        line.m_action = Action::Fail;
        line.m_text = parser.errorText();
        return line;
    }
    if (parser.isSet(help)) {
        line.m_action = Action::ShowHelp;
        // The usage line names the program as it was called; "kelvane" reads better everywhere.
        line.m_text = parser.helpText().replace(QRegularExpression(QStringLiteral("^Usage: \\S+")),
                                                QStringLiteral("Usage: kelvane"));
        return line;
    }
    if (parser.isSet(version)) {
        line.m_action = Action::ShowVersion;
        line.m_text = QStringLiteral("kelvane " KELVANE_VERSION "\n");
        return line;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1) {
        line.m_action = Action::Fail;
        line.m_text = QStringLiteral("only one configuration file can be given, not \"%1\"")
                          .arg(positional.join(QStringLiteral("\", \"")));
        return line;
    }
    line.m_headless = parser.isSet(headless);
    line.m_configuration = positional.value(0);
    if (positional.size() == 1 && line.m_configuration.isEmpty()) {
        line.m_action = Action::Fail;
        line.m_text = QStringLiteral("the configuration file name is empty");
    }
    return line;
}
