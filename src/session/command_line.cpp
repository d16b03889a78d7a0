// SPDX-License-Identifier: GPL-3.0-or-later
#include "command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace quillo {
namespace {

// What QGuiApplication, QApplication and the xcb platform take from the command line in Qt 6.4: hidden
// options here, so that a session manager's "quillo -session ID" or "quillo -platform xcb" still runs.
const QStringList kQtOptionsWithValue =
    QStringLiteral(
        "platform platformpluginpath platformtheme plugin qwindowgeometry geometry qwindowtitle title "
        "qwindowicon icon session style stylesheet display name visual qmljsdebugger")
        .split(QLatin1Char(' '));
const QStringList kQtFlags =
    QStringLiteral("reverse testability widgetcount nograb dograb").split(QLatin1Char(' '));

QString withNewline(QString text) {
    if (!text.endsWith(QLatin1Char('\n')))
        text += QLatin1Char('\n');
    return text;
}

} // namespace

CommandLine::CommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    // Single-dash words are long options, as Qt's own are: "-session ID", and "-h" is --help.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Одна текстовая заметка в системном лотке. Без параметров запускает Quillo,\n"
                       "а если он уже работает, показывает его заметку."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Показать эту справку."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Показать версию."));
    const QCommandLineOption toggle(
        QStringLiteral("toggle"),
        QStringLiteral("Показать или скрыть заметку, как щелчок по значку в лотке; запустить Quillo, если он "
                       "не работает."));
    const QCommandLineOption quit(QStringLiteral("quit"),
                                  QStringLiteral("Сохранить заметку и завершить работающий Quillo."));
    parser.addOptions({help, version, toggle, quit});
    for (const QString& name : kQtOptionsWithValue) {
        QCommandLineOption option(name, QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const QString& name : kQtFlags) {
        QCommandLineOption option(name);
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }

    QString mistake;
    if (!parser.parse(arguments))
        mistake = parser.errorText();
    else if (!parser.positionalArguments().isEmpty())
        mistake = QStringLiteral("лишний аргумент «%1».").arg(parser.positionalArguments().constFirst());
    else if (parser.isSet(toggle) && parser.isSet(quit))
        mistake = QStringLiteral("--toggle и --quit вместе не указываются.");

    if (!mistake.isEmpty()) {
        m_outcome = Outcome::Mistake;
        m_text = QStringLiteral("quillo: %1\nСправка: quillo --help\n").arg(mistake);
    } else if (parser.isSet(version)) { // before help, as QCommandLineParser::process() has it
        m_outcome = Outcome::Version;
        m_text = QStringLiteral("quillo %1\n").arg(QCoreApplication::applicationVersion());
    } else if (parser.isSet(help)) {
        m_outcome = Outcome::Help;
        m_text = withNewline(parser.helpText());
    } else if (parser.isSet(toggle)) {
        m_request = Request::Toggle;
    } else if (parser.isSet(quit)) {
        m_request = Request::Quit;
    }
}

} // namespace quillo
