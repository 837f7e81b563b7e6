// Fixtures keep what they are: a station bound to its adapter's USB socket
// follows the adapter to the name the system gives it anew (a virtual chip's
// link renamed while its adapter is out; the system's socket listing is the
// test's), with its label and counters; a station whose adapter is missing
// waits for it and starts by itself; a restart takes this shift's counters
// back from the production records, and "New shift" starts them at zero.
#include "EarlierChips.h"
#include "FactoryRig.h"
#include "PortListing.h"

#include <QLineEdit>
#include <QMutex>
#include <QSignalSpy>

namespace {
// What the system would list: set by the test, read by the window's threads.
class SocketListing {
public:
    void set(const QList<PortListing>& now)
    {
        QMutexLocker guard(&mutex);
        ports = now;
    }
    AdapterWatch::Source source()
    {
        return [this] {
            QMutexLocker guard(&mutex);
            return ports;
        };
    }

private:
    QMutex mutex;
    QList<PortListing> ports;
};

void swapChip(VirtualChip& chip, Station* station, int imageBytes)
{
    QSignalSpy awaited(station, &Station::chipAwaited);
    chip.unplug();
    QTRY_COMPARE_WITH_TIMEOUT(awaited.size(), 1, FactoryRig::timeoutMs);
    chip.fillFlash(0x1000, QByteArray(imageBytes, char(0xFF)));
    chip.clearEvents();
    chip.plug();
}
} // namespace

class FixturesTest : public QObject {
    Q_OBJECT

private slots:
    void stationFollowsItsSocket()
    {
        FactoryRig rig;
        VirtualChip& chip = *rig.chips.front();
        const QString socket = "usb:3-1.2";
        SocketListing system;
        system.set({ { rig.port(0), rig.port(0), "A123", "3-1.2", "FT232R" } });
        rig.writeRecipe(
            { { "Ports", socket }, { "Labels", "usb%3A3-1.2=Left" }, { "FileName", rig.folder.path("image.bin") } });
        FactoryWindow& window = rig.open(QStringList(), false);
        window.setAdapterSource(system.source());
        window.startAll();
        Station* station = rig.station(socket);
        QTRY_COMPARE_WITH_TIMEOUT(rig.tileText(socket, "state"), QString("PASS"), FactoryRig::timeoutMs);
        QCOMPARE(station->port(), rig.port(0));

        // Out, and back in as another name.
        chip.pullAdapter();
        system.set({});
        QTRY_COMPARE_WITH_TIMEOUT(station->state(), StationState::AdapterLost, FactoryRig::timeoutMs);
        const QString renamed = rig.folder.path("renamed");
        chip.renameLink(renamed);
        chip.fillFlash(0x1000, QByteArray(rig.image.size(), char(0xFF)));
        QVERIFY(chip.plugAdapter());
        system.set({ { renamed, renamed, "A123", "3-1.2", "FT232R" } });

        QTRY_COMPARE_WITH_TIMEOUT(station->port(), renamed, FactoryRig::timeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(chip.flash(0x1000, rig.image.size()), rig.image, FactoryRig::timeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(
            rig.tileText(socket, "counters"), QString("Total: 2  PASS: 2  FAIL: 0  FPY: 100%"), FactoryRig::timeoutMs);
        QCOMPARE(rig.tilePart<QLineEdit>(socket, "labelEdit")->text(), QString("Left"));
        QCOMPARE(window.stationList().size(), 1);
    }

    void missingAdapterStartsByItself()
    {
        FactoryRig rig(0);
        const QString later = rig.folder.path("later");
        FactoryWindow& window = rig.open({ later });
        window.startAll();
        QTRY_COMPARE(rig.tileText(later, "state"), QString("No adapter"));
        QVERIFY(window.anyRunning());
        QVERIFY(rig.tilePart<QPushButton>(later, "stopBtn")->isEnabled());

        VirtualChip chip;
        QVERIFY(chip.start(later));
        QTRY_COMPARE_WITH_TIMEOUT(rig.tileText(later, "state"), QString("PASS"), FactoryRig::timeoutMs);
        QCOMPARE(chip.flash(0x1000, rig.image.size()), rig.image);
    }

    void countersComeBackFromTheRecords()
    {
        FactoryRig rig;
        VirtualChip& chip = *rig.chips.front();
        const QString port = rig.port(0);
        chip.configure([](ChipKnobs& k) { k.wrongChecksums = 1; });
        FactoryWindow& window = rig.open(rig.ports());
        window.startAll();
        const QString twoChips = "Total: 2  PASS: 2  FAIL: 0  FPY: 50%";
        QTRY_COMPARE_WITH_TIMEOUT(
            rig.tileText(port, "counters"), QString("Total: 1  PASS: 1  FAIL: 0  FPY: 0%"), FactoryRig::timeoutMs);
        swapChip(chip, rig.station(port), rig.image.size());
        QTRY_COMPARE_WITH_TIMEOUT(rig.tileText(port, "counters"), twoChips, FactoryRig::timeoutMs);

        FactoryWindow* again = &rig.restart();
        QTRY_COMPARE_WITH_TIMEOUT(rig.tileText(port, "counters"), twoChips, FactoryRig::timeoutMs);
        QVERIFY(rig.widget<QLabel>("totals")->text().contains(twoChips));

        rig.answerer.clickButton(QMessageBox::Yes);
        rig.widget("newShiftBtn")->click();
        QTRY_VERIFY(rig.answerer.allAnswered());
        QCOMPARE(rig.answerer.titles, QStringList({ "New shift" }));
        QTRY_COMPARE(rig.tileText(port, "counters"), QString("Total: 0  PASS: 0  FAIL: 0  FPY: 0%"));

        again = &rig.restart();
        QSignalSpy read(again->findChild<EarlierChips*>(), &EarlierChips::added);
        QTRY_COMPARE_WITH_TIMEOUT(read.size(), 1, FactoryRig::timeoutMs);
        QCOMPARE(read.front().front().toString(), QString());
        QCOMPARE(rig.station(port)->counters(), StationCounters());
    }
};

QTEST_MAIN(FixturesTest)
#include "tst_fixtures.moc"
