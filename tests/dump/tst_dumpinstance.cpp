// The built dump program on a virtual X display: it runs once at a time, and
// beside the flash-test program. Needs Xvfb and xdotool; skipped without them.
#include "SingleInstance.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString flashTestInstanceName = QStringLiteral("09F1FEFC-32C2-4325-BF85-CB492A46FB30");

} // namespace

class DumpInstanceTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir lockDir;
    QProcess display;
    QString displayName;

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), displayName);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        // The instance locks live in the temporary folder: one of this test's own.
        env.insert(QStringLiteral("TMPDIR"), lockDir.path());
        return env;
    }

    // The id of the first window with this exact title, once it is on the screen; empty after the timeout.
    QString waitForWindow(const QString& title, int timeoutMs = 30000)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (!deadline.hasExpired()) {
            QProcess search;
            search.setProcessEnvironment(environment());
            search.start(QStringLiteral("xdotool"),
                { QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                    QStringLiteral("^%1$").arg(title) });
            search.waitForFinished(5000);
            const QString ids = QString::fromLatin1(search.readAllStandardOutput()).trimmed();
            if (!ids.isEmpty())
                return ids.split(QLatin1Char('\n')).first();
            QTest::qWait(100);
        }
        return QString();
    }

    // Presses Return in the box until its process has ended: a key sent while
    // the box is still being set up can be lost.
    bool answerBox(const QString& window, QProcess& owner)
    {
        for (int attempt = 0; attempt < 20; ++attempt) {
            QProcess xdotool;
            xdotool.setProcessEnvironment(environment());
            xdotool.start(QStringLiteral("xdotool"),
                { QStringLiteral("windowfocus"), QStringLiteral("--sync"), window, QStringLiteral("key"),
                    QStringLiteral("Return") });
            xdotool.waitForFinished(5000);
            if (owner.waitForFinished(500))
                return true;
        }
        return false;
    }

    void startDumpTool(QProcess& process)
    {
        process.setProcessEnvironment(environment());
        process.start(QStringLiteral(TERVASKDUMP_PATH), QStringList());
        QVERIFY(process.waitForStarted());
    }

    static void endProcess(QProcess& process)
    {
        if (process.state() == QProcess::NotRunning)
            return;
        process.terminate();
        if (!process.waitForFinished(5000)) {
            process.kill();
            process.waitForFinished(5000);
        }
    }

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty()
            || QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            QSKIP("Xvfb and xdotool are needed to answer the program's message box");
        QVERIFY(lockDir.isValid());
        // Xvfb picks a free display itself and tells its number on standard output. Without
        // -noreset it resets whenever its last client leaves, and a program connecting then fails.
        display.start(QStringLiteral("Xvfb"),
            { QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-noreset"),
                QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                QStringLiteral("1024x768x24") });
        QVERIFY(display.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(display.canReadLine(), 10000);
        displayName = QStringLiteral(":") + QString::fromLatin1(display.readLine()).trimmed();
    }

    void cleanupTestCase() { endProcess(display); }

    void secondInstanceIsRefused()
    {
        QProcess first;
        startDumpTool(first);
        QVERIFY2(!waitForWindow(QStringLiteral("VYN Dump Tool V01.00.03")).isEmpty(), first.readAllStandardError());

        QProcess second;
        startDumpTool(second);
        const QString box = waitForWindow(QStringLiteral("Error"));
        QVERIFY2(!box.isEmpty(), "the second instance shows no warning");
        QVERIFY2(answerBox(box, second), "the second instance did not end");
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(qint8(second.exitCode()), qint8(-1));
        QCOMPARE(first.state(), QProcess::Running);
        endProcess(first);
    }

    // The flash-test program holds a name of its own.
    void runsBesideTheFlashTestProgram()
    {
        qputenv("TMPDIR", lockDir.path().toLocal8Bit());
        SingleInstance flashTest(flashTestInstanceName);
        QVERIFY(flashTest.isFirst());

        QProcess dumpTool;
        startDumpTool(dumpTool);
        QVERIFY2(!waitForWindow(QStringLiteral("VYN Dump Tool V01.00.03")).isEmpty(), dumpTool.readAllStandardError());
        QVERIFY(waitForWindow(QStringLiteral("Error"), 500).isEmpty());
        QCOMPARE(dumpTool.state(), QProcess::Running);
        endProcess(dumpTool);
    }
};

QTEST_GUILESS_MAIN(DumpInstanceTest)
#include "tst_dumpinstance.moc"
