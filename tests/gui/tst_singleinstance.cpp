// One instance per program, and the port list the windows offer.
#include "ModalAnswerer.h"
#include "PortList.h"
#include "RefuseSecondInstance.h"
#include "SingleInstance.h"

#include <QDir>
#include <QProcess>
#include <QUuid>
#include <QtTest>

namespace {
const QString tervaskInstanceName = QStringLiteral("09F1FEFC-32C2-4325-BF85-CB492A46FB30");

QString uniqueName()
{
    return QStringLiteral("tervask-test-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}
} // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT

private slots:
    void secondHolderIsRefusedUntilTheFirstIsGone()
    {
        const QString name = uniqueName();
        {
            SingleInstance first(name);
            QVERIFY(first.isFirst());
            SingleInstance second(name);
            QVERIFY(!second.isFirst());
            SingleInstance other(uniqueName());
            QVERIFY(other.isFirst());
        }
        SingleInstance later(name);
        QVERIFY(later.isFirst());
    }

    void refusalWarnsTheOperator()
    {
        const QString name = uniqueName();
        SingleInstance first(name);
        QVERIFY(!refuseSecondInstance(first));

        SingleInstance second(name);
        ModalAnswerer answerer;
        answerer.clickButton(QMessageBox::Ok);
        QVERIFY(refuseSecondInstance(second));
        QVERIFY(answerer.allAnswered());
        QCOMPARE(answerer.titles, QStringList({ "Error" }));
        QCOMPARE(answerer.texts, QStringList({ "You have already run an application." }));
    }

    // The running program holds its name from another process; when that
    // process dies without cleaning up, the name is free again.
    void runningProgramHoldsTheNameUntilItDies()
    {
        {
            SingleInstance before(tervaskInstanceName);
            if (!before.isFirst())
                QSKIP("a tervask is already running on this machine");
        }
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(QDir::tempPath());
        program.start(QStringLiteral(TERVASK_BIN_DIR "/tervask"), {});
        QVERIFY(program.waitForStarted());

        QTRY_VERIFY_WITH_TIMEOUT(!SingleInstance(tervaskInstanceName).isFirst(), 10000);
        QCOMPARE(program.state(), QProcess::Running);

        program.kill();
        QVERIFY(program.waitForFinished());
        SingleInstance after(tervaskInstanceName);
        QVERIFY(after.isFirst());
    }

    void portListAddsTheExtraNames_data()
    {
        QTest::addColumn<QString>("extra");
        QTest::addColumn<QStringList>("added");
        const QString sep = QDir::listSeparator();
        QTest::newRow("none") << "" << QStringList();
        QTest::newRow("one") << "/dev/pts/7" << QStringList({ "/dev/pts/7" });
        QTest::newRow("two, empty pieces skipped")
            << sep + "/dev/pts/7" + sep + sep + "/tmp/vyn" + sep << QStringList({ "/dev/pts/7", "/tmp/vyn" });
        QTest::newRow("duplicates once") << "/tmp/vyn" + sep + "/tmp/vyn" << QStringList({ "/tmp/vyn" });
    }

    void portListAddsTheExtraNames()
    {
        QFETCH(QString, extra);
        QFETCH(QStringList, added);
        qunsetenv("TERVASK_EXTRA_PORTS");
        const QStringList system = availablePortNames();
        qputenv("TERVASK_EXTRA_PORTS", extra.toUtf8());
        const QStringList names = availablePortNames();
        qunsetenv("TERVASK_EXTRA_PORTS");
        QCOMPARE(names, system + added);
    }
};

QTEST_MAIN(SingleInstanceTest)
#include "tst_singleinstance.moc"
