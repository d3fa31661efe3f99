#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTest>

#include "app/displaycheck.h"
#include "tests/app/apptests.h"

namespace zarudiv {

class DisplayCheckTest : public QObject {
    Q_OBJECT
private slots:
    void displayAvailable_data();
    void displayAvailable();
    void messageTellsHowToStartUnderAVirtualDisplay();
    void programWithoutDisplayExitsWithOne();
    void programWithAnUnreachableDisplayExitsWithOne();
    void programWhosePlatformCannotStartExitsWithOne_data();
    void programWhosePlatformCannotStartExitsWithOne();
    void aSignalClosesTheWindow();
};

void DisplayCheckTest::displayAvailable_data()
{
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("wayland");
    QTest::addColumn<QString>("platform");
    QTest::addColumn<bool>("available");

    QTest::newRow("nothing set") << "" << "" << "" << false;
    QTest::newRow("X display") << ":0" << "" << "" << true;
    QTest::newRow("Wayland display") << "" << "wayland-0" << "" << true;
    QTest::newRow("platform chosen") << "" << "" << "offscreen" << true;
}

void DisplayCheckTest::displayAvailable()
{
    QFETCH(QString, display);
    QFETCH(QString, wayland);
    QFETCH(QString, platform);
    QFETCH(bool, available);

    DisplayEnvironment environment;
    environment.display = display.toStdString();
    environment.waylandDisplay = wayland.toStdString();
    environment.qpaPlatform = platform.toStdString();
    QCOMPARE(zarudiv::displayAvailable(environment), available);
}

void DisplayCheckTest::messageTellsHowToStartUnderAVirtualDisplay()
{
    const QString message = QString::fromStdString(noDisplayMessage());
    QVERIFY(message.contains(QStringLiteral("no display")));
    QVERIFY(message.contains(QStringLiteral("xvfb-run -a build/bin/zarudiv")));
}

void DisplayCheckTest::programWithoutDisplayExitsWithOne()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(ZARUDIV_EXECUTABLE), {});
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 1);
    QVERIFY(QString::fromUtf8(program.readAllStandardError()).contains(QStringLiteral("xvfb-run -a")));
}

void DisplayCheckTest::programWithAnUnreachableDisplayExitsWithOne()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    // No X server listens on display 917.
    environment.insert(QStringLiteral("DISPLAY"), QStringLiteral(":917"));
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(ZARUDIV_EXECUTABLE), {});
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 1);
    QVERIFY(QString::fromUtf8(program.readAllStandardError())
                .contains(QStringLiteral("cannot connect to the display DISPLAY=:917")));
}

void DisplayCheckTest::programWhosePlatformCannotStartExitsWithOne_data()
{
    QTest::addColumn<QStringList>("environment");
    QTest::newRow("Wayland session without its plugin") << QStringList{QStringLiteral("WAYLAND_DISPLAY=wayland-0")};
    QTest::newRow("unknown platform") << QStringList{QStringLiteral("QT_QPA_PLATFORM=bogus")};
    QTest::newRow("xcb without a display") << QStringList{QStringLiteral("QT_QPA_PLATFORM=xcb")};
    QTest::newRow("xcb with a display that does not answer")
        << QStringList{QStringLiteral("QT_QPA_PLATFORM=xcb"), QStringLiteral("DISPLAY=:917")};
}

void DisplayCheckTest::programWhosePlatformCannotStartExitsWithOne()
{
    QFETCH(QStringList, environment);
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        variables.remove(QString::fromLatin1(name));
    for (const QString& assignment : environment)
        variables.insert(assignment.section(QLatin1Char('='), 0, 0), assignment.section(QLatin1Char('='), 1));
    QProcess program;
    program.setProcessEnvironment(variables);
    program.start(QStringLiteral(ZARUDIV_EXECUTABLE), {});
    QVERIFY(program.waitForFinished(30000));
    // Exit 1 with a message, never Qt's abort.
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 1);
    const QString message = QString::fromUtf8(program.readAllStandardError());
    QVERIFY2(message.contains(QStringLiteral("cannot start on this display")) ||
                 message.contains(QStringLiteral("cannot connect to the display")),
             qPrintable(message));
    QVERIFY(message.contains(QStringLiteral("xvfb-run -a build/bin/zarudiv")));
}

// SIGTERM closes the window as its close box does, and the program ends
// normally (a running campaign would be stopped and its protocol cut).
void DisplayCheckTest::aSignalClosesTheWindow()
{
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    variables.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess program;
    program.setProcessEnvironment(variables);
    program.start(QStringLiteral(ZARUDIV_EXECUTABLE), {});
    QVERIFY(program.waitForStarted(30000));
    QTest::qWait(1000);
    program.terminate();
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
}

int runDisplayCheckTest(int argc, char* argv[])
{
    DisplayCheckTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace zarudiv

#include "displaychecktest.moc"
