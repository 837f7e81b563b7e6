// The station window as it is read from the bench: 1, 4 or 16 tiles fill
// the window, the result word is large (at 16 stations on a 1366 x 768
// screen its capitals at least 28 pixels high, much larger at 4), long names
// are cut with the whole name in the tooltip and nothing needs a scroll bar;
// a failed chip stays red and blinking after it is pulled until the operator
// acknowledges it, and rings when the recipe asks for a sound. With
// identity on, a tile names the chip's MAC address while it is flashed and
// with its result, each chip its own.
#include "ElidedLabel.h"
#include "FactoryRig.h"
#include "FitLabel.h"
#include "MacAddress.h"
#include "StationBoard.h"
#include "StationLogDialog.h"
#include "StationTile.h"
#include "WindowTiming.h"

#include <QFontMetrics>
#include <QRandomGenerator>
#include <QSignalSpy>

namespace {
int capitalsHeight(const FitLabel* word)
{
    return QFontMetrics(word->font()).capHeight();
}
} // namespace

class StationScreenTest : public QObject {
    Q_OBJECT

private slots:
    void tilesFillTheWindow()
    {
        struct Shape {
            int stations;
            int columns;
        };
        int wordAtSixteen = 0;
        for (const Shape shape : { Shape { 16, 4 }, Shape { 4, 2 }, Shape { 1, 1 } }) {
            FactoryRig rig(shape.stations);
            FactoryWindow& window = rig.open(rig.ports());
            window.startAll();
            for (const QString& port : rig.ports())
                QTRY_COMPARE_WITH_TIMEOUT(rig.tileText(port, "state"), QString("PASS"), FactoryRig::timeoutMs);

            auto* board = window.findChild<StationBoard*>();
            QCOMPARE(board->columns(), shape.columns);
            const int rows = (shape.stations + shape.columns - 1) / shape.columns;
            const int fairWidth = (board->width() - (shape.columns - 1) * StationBoard::spacing) / shape.columns;
            const int fairHeight = (board->height() - (rows - 1) * StationBoard::spacing) / rows;
            for (const QString& port : rig.ports()) {
                QWidget* tile = rig.tile(port);
                const QRect inWindow(tile->mapTo(&window, QPoint(0, 0)), tile->size());
                QVERIFY2(window.rect().contains(inWindow), qPrintable(port));
                QVERIFY2(tile->width() >= fairWidth - 2 && tile->height() >= fairHeight - 2,
                    qPrintable(QStringLiteral("%1 x %2 of %3 x %4")
                                   .arg(tile->width())
                                   .arg(tile->height())
                                   .arg(fairWidth)
                                   .arg(fairHeight)));
            }
            const int word = capitalsHeight(rig.tilePart<FitLabel>(rig.port(0), "state"));
            if (shape.stations == 16) {
                wordAtSixteen = word;
                QVERIFY2(word >= 28, qPrintable(QString::number(word)));
                // Sixteen fixture paths do not fit: each is cut, and whole in its tooltip.
                auto* name = rig.tilePart<ElidedLabel>(rig.port(0), "name");
                QVERIFY(name->isElided());
                QCOMPARE(name->toolTip(), rig.port(0));
            } else {
                QVERIFY2(word >= wordAtSixteen * 3 / 2,
                    qPrintable(QStringLiteral("%1 against %2").arg(word).arg(wordAtSixteen)));
            }
            window.stopAll();
            QTRY_VERIFY_WITH_TIMEOUT(!window.anyRunning(), FactoryRig::timeoutMs);
        }
    }

    void failureStaysUntilAcknowledged()
    {
        FactoryRig rig;
        VirtualChip& chip = *rig.chips.front();
        rig.writeRecipe({ { "Retries", 0 }, { "FailSound", true } });
        chip.configure([](ChipKnobs& k) { k.wrongChecksums = 1; });
        FactoryWindow& window = rig.open(rig.ports());
        int sounds = 0;
        window.setAlarm([&sounds] { ++sounds; });
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        Station* station = window.stationList().front();
        const QString port = rig.port(0);
        window.startAll();
        QTRY_COMPARE_WITH_TIMEOUT(rig.tileText(port, "state"), QString("FAIL"), FactoryRig::timeoutMs);
        QVERIFY2(rig.tilePart<ElidedLabel>(port, "detail")->fullText().startsWith("Error : verify failed!"),
            qPrintable(rig.tilePart<ElidedLabel>(port, "detail")->fullText()));
        QCOMPARE(sounds, 1);

        // The chip is pulled: the station waits for the next one, the tile still says FAIL, blinking.
        QSignalSpy awaited(station, &Station::chipAwaited);
        chip.unplug();
        QTRY_COMPARE_WITH_TIMEOUT(awaited.size(), 1, FactoryRig::timeoutMs);
        auto* tile = qobject_cast<StationTile*>(rig.tile(port));
        auto* panel = rig.tilePart<QFrame>(port, "statePanel");
        QTRY_VERIFY(panel->styleSheet().contains("#8a1212"));
        QTRY_VERIFY(panel->styleSheet().contains("#d32f2f"));
        QCOMPARE(rig.tileText(port, "state"), QString("FAIL"));

        // Acknowledged, the result stays, steady, until the next chip starts.
        QTest::keyClick(&window, Qt::Key_Space);
        QVERIFY(!tile->isLatched());
        QTRY_VERIFY(panel->styleSheet().contains("#d32f2f"));
        QTest::qWait(3 * WindowTiming().tileBlink.count());
        QVERIFY(panel->styleSheet().contains("#d32f2f"));
        QCOMPARE(rig.tileText(port, "state"), QString("FAIL"));

        // A passing chip needs nothing; a click on its tile opens the log.
        chip.plug();
        QTRY_COMPARE_WITH_TIMEOUT(rig.tileText(port, "state"), QString("PASS"), FactoryRig::timeoutMs);
        QTest::mouseClick(tile, Qt::LeftButton);
        QCOMPARE(window.findChildren<StationLogDialog*>().size(), 1);

        // The next failure stays latched while the next chip downloads, and a
        // click acknowledges it without opening anything.
        chip.configure([](ChipKnobs& k) { k.wrongChecksums = 1; });
        chip.unplug();
        QTRY_COMPARE_WITH_TIMEOUT(awaited.size(), 2, FactoryRig::timeoutMs);
        chip.plug();
        QTRY_VERIFY_WITH_TIMEOUT(tile->isLatched(), FactoryRig::timeoutMs);
        chip.unplug();
        QTRY_COMPARE_WITH_TIMEOUT(awaited.size(), 3, FactoryRig::timeoutMs);
        chip.plug();
        QTRY_COMPARE_WITH_TIMEOUT(station->state(), StationState::Passed, FactoryRig::timeoutMs);
        QTest::qWait(2 * WindowTiming().stationRefresh.count());
        QCOMPARE(rig.tileText(port, "state"), QString("FAIL"));
        QTest::mouseClick(tile, Qt::LeftButton);
        QVERIFY(!tile->isLatched());
        QCOMPARE(rig.tileText(port, "state"), QString("PASS"));
        QCOMPARE(window.findChildren<StationLogDialog*>().size(), 1);
        QCOMPARE(sounds, 2);
    }

    void tileNamesEachChipsAddress()
    {
        FactoryRig rig(1, 100000);
        VirtualChip& chip = *rig.chips.front();
        chip.configure([](ChipKnobs& k) { k.commandDelayMs = 40; }); // long enough a download to be seen
        // A pool of this run's own: the program's records outlive the run.
        const quint64 first = 0x001A2D000000ull + (quint64(QRandomGenerator::global()->bounded(0x10000u)) << 8);
        const QString pool = MacAddress(first).text() + "-" + MacAddress(first + 0xFF).text();
        rig.folder.writeConfig("cfg/tervaskfactory.ini", "identity",
            { { "Enabled", true }, { "Pool", pool }, { "FlashAddress", "0xFF000" } });
        FactoryWindow& window = rig.open(rig.ports());
        Station* station = window.stationList().front();
        const QString port = rig.port(0);
        const auto detail = [&rig, &port] { return rig.tilePart<ElidedLabel>(port, "detail")->fullText(); };
        QSignalSpy awaited(station, &Station::chipAwaited);
        QStringList shown;
        window.startAll();
        for (int chips = 1; chips <= 2; ++chips) {
            if (chips == 2) {
                const qsizetype waits = awaited.size();
                chip.unplug();
                QTRY_VERIFY_WITH_TIMEOUT(awaited.size() > waits, FactoryRig::timeoutMs);
                chip.insertNewChip();
                chip.plug();
            }
            // The tile alone is read: it shows the station as of its last refresh.
            QTRY_VERIFY2_WITH_TIMEOUT(rig.tileText(port, "state") == "Downloading" && detail().contains("MAC "),
                qPrintable(rig.tileText(port, "state") + ": " + detail()), FactoryRig::timeoutMs);
            const QString whileFlashed = detail();
            QTRY_COMPARE_WITH_TIMEOUT(rig.tileText(port, "state"), QString("PASS"), FactoryRig::timeoutMs);
            const QString mac = whileFlashed.mid(whileFlashed.lastIndexOf("MAC ") + 4);
            QTRY_VERIFY2(detail().endsWith("MAC " + mac), qPrintable(detail() + " / " + mac));
            shown << mac;
        }
        QCOMPARE(shown, QStringList({ MacAddress(first).text(), MacAddress(first + 1).text() }));
    }
};

QTEST_MAIN(StationScreenTest)
#include "tst_stationscreen.moc"
