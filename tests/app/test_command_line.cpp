// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/command_line.h"

#include <QTest>

using namespace quillo;
using namespace Qt::StringLiterals;

/// What each command line asks of Quillo, with no display and no translations: the text is checked only where
/// it is Quillo's own.
class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QCoreApplication::setApplicationVersion(QStringLiteral("1.2.3")); }

    void reads_data() {
        QTest::addColumn<QStringList>("arguments"); // after the program's name
        QTest::addColumn<CommandLine::Outcome>("outcome");
        QTest::addColumn<Request>("request");
        QTest::addColumn<QString>("text"); // a part of it
        using enum CommandLine::Outcome;
        QTest::newRow("none") << QStringList{} << Run << Request::Show << QString();
        QTest::newRow("toggle") << QStringList{u"--toggle"_s} << Run << Request::Toggle << QString();
        QTest::newRow("quit") << QStringList{u"--quit"_s} << Run << Request::Quit << QString();
        QTest::newRow("Qt's options are the QApplication's")
            << QStringList{u"-session"_s,      u"10d2_8c"_s,  u"-platform"_s, u"xcb"_s,
                           u"-style=fusion"_s, u"-reverse"_s, u"--toggle"_s}
            << Run << Request::Toggle << QString();
        QTest::newRow("help") << QStringList{u"--help"_s} << Help << Request::Show << u"--quit "_s;
        QTest::newRow("-h, even with an action") << QStringList{u"--toggle"_s, u"-h"_s} << Help
                                                 << Request::Show << u"Показать или скрыть заметку"_s;
        QTest::newRow("version") << QStringList{u"--version"_s} << Version << Request::Show
                                 << u"quillo 1.2.3\n"_s;
        QTest::newRow("-v") << QStringList{u"-v"_s} << Version << Request::Show << u"quillo 1.2.3\n"_s;
        QTest::newRow("unknown option")
            << QStringList{u"--show"_s} << Mistake << Request::Show << u"quillo: "_s;
        QTest::newRow("argument") << QStringList{u"notes.txt"_s} << Mistake << Request::Show
                                  << u"лишний аргумент «notes.txt»"_s;
        QTest::newRow("toggle and quit") << QStringList{u"--quit"_s, u"--toggle"_s} << Mistake
                                         << Request::Show << u"Справка: quillo --help\n"_s;
        QTest::newRow("a Qt option without its value")
            << QStringList{u"-session"_s} << Mistake << Request::Show << u"quillo: "_s;
    }
    void reads() {
        QFETCH(QStringList, arguments);
        QFETCH(CommandLine::Outcome, outcome);
        QFETCH(Request, request);
        QFETCH(QString, text);
        const CommandLine commandLine(QStringList{u"quillo"_s} + arguments);
        QCOMPARE(commandLine.outcome(), outcome);
        QCOMPARE(commandLine.request(), request);
        QVERIFY2(commandLine.text().contains(text), qPrintable(commandLine.text()));
        QCOMPARE(commandLine.text().endsWith(u'\n'), outcome != CommandLine::Outcome::Run);
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_command_line.moc"
