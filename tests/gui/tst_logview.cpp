// The coloured log view shared by both windows.
#include "LogView.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextEdit>
#include <QtTest>

namespace {
const QString initialSheet = QStringLiteral("QTextEdit {font: times bold 13pt; background: black }");

QTextCharFormat formatOfLine(QTextEdit& edit, int line)
{
    const QTextBlock block = edit.document()->findBlockByNumber(line);
    return block.begin().fragment().charFormat();
}
} // namespace

class LogViewTest : public QObject {
    Q_OBJECT

private slots:
    void linesKeepTheirColourAndGreenIsBold_data()
    {
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<bool>("bold");
        QTest::newRow("progress") << QColor(Qt::white) << false;
        QTest::newRow("success") << QColor(Qt::green) << true;
        QTest::newRow("error") << QColor(Qt::red) << false;
        QTest::newRow("trace") << QColor(Qt::yellow) << false;
        QTest::newRow("retry") << QColor(Qt::lightGray) << false;
    }

    void linesKeepTheirColourAndGreenIsBold()
    {
        QFETCH(QColor, colour);
        QFETCH(bool, bold);
        QTextEdit edit;
        edit.setStyleSheet(initialSheet);
        LogView log(&edit);
        log.appendLog("Ready to download!", colour);
        log.appendLog("Open port...", Qt::white);

        QCOMPARE(edit.toPlainText(), QString("Ready to download!\nOpen port..."));
        QCOMPARE(formatOfLine(edit, 0).foreground().color(), colour);
        QCOMPARE(formatOfLine(edit, 0).fontWeight() >= QFont::Bold, bold);
        QCOMPARE(formatOfLine(edit, 1).foreground().color(), QColor(Qt::white));
        QVERIFY(formatOfLine(edit, 1).fontWeight() < QFont::Bold);
        // Typing colour and weight are back to the defaults after each line.
        QCOMPARE(edit.textColor(), QColor(Qt::black));
        QVERIFY(edit.fontWeight() < QFont::Bold);
    }

    void styleSheetFollowsTheLatestColour()
    {
        QTextEdit edit;
        edit.setStyleSheet(initialSheet);
        LogView log(&edit);
        log.appendLog("flash 1!", Qt::yellow);
        QCOMPARE(
            edit.styleSheet(), QString("color: rgb(255, 255, 0);\nbackground-color: rgb(0, 0, 0);\n") + initialSheet);
        log.appendLog("Verify done.", Qt::green);
        log.appendLog("resend command...", Qt::lightGray);
        QCOMPARE(
            edit.styleSheet(), QString("color: rgb(192, 192, 192);\nbackground-color: rgb(0, 0, 0);\n") + initialSheet);
        QCOMPARE(edit.styleSheet().split('\n').size(), 3);
    }

    // A window that appends what arrived together in one go shows what it would
    // have shown line by line: same lines, colours, weights and style sheet.
    void aBatchLooksLikeItsLinesAppendedOneByOne()
    {
        const QList<LogView::Line> lines = { { "Open port...", Qt::white }, { "flash 1!", Qt::yellow },
            { "", Qt::white }, { "Verify done.", Qt::green }, { "resend command...", Qt::lightGray },
            { "The downloading is successed!", Qt::green }, { "Failed to erase flash!", Qt::red } };
        QTextEdit oneByOne;
        QTextEdit batched;
        for (QTextEdit* edit : { &oneByOne, &batched })
            edit->setStyleSheet(initialSheet);
        LogView single(&oneByOne);
        LogView batch(&batched);
        single.appendLog("Ready to download!", Qt::white);
        batch.appendLog("Ready to download!", Qt::white);
        for (const LogView::Line& line : lines)
            single.appendLog(line.text, line.color);
        batch.appendLogs(lines.mid(0, 4));
        batch.appendLogs(lines.mid(4));
        single.appendLog("Ready to download!", Qt::white);
        batch.appendLogs({ { "Ready to download!", Qt::white } });

        QCOMPARE(batched.document()->blockCount(), 9);
        QCOMPARE(batched.toHtml(), oneByOne.toHtml());
        QCOMPARE(batched.styleSheet(), oneByOne.styleSheet());
        QCOMPARE(batched.currentCharFormat(), oneByOne.currentCharFormat());
        QCOMPARE(formatOfLine(batched, 4).fontWeight(), int(QFont::Bold));
        QCOMPARE(formatOfLine(batched, 7).foreground().color(), QColor(Qt::red));
    }

    void rewriteKeepsForeignRulesInOrder()
    {
        const QString sheet = "color: rgb(1, 2, 3);\nQTextEdit { border: none }\n\nbackground-color: red;\nfoo: bar;";
        QCOMPARE(LogView::rewrittenStyleSheet(sheet, Qt::red),
            QString("color: rgb(255, 0, 0);\nbackground-color: rgb(0, 0, 0);\nQTextEdit { border: none }\nfoo: bar;"));
    }

    void viewFollowsTheLastLineAndKeepsNoUndo()
    {
        QTextEdit edit;
        edit.resize(300, 120);
        edit.show();
        LogView log(&edit);
        for (int i = 0; i < 200; ++i)
            log.appendLog(QString("line %1").arg(i), Qt::white);
        QScrollBar* bar = edit.verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        QTRY_COMPARE(bar->value(), bar->maximum());
        QVERIFY(edit.textCursor().atEnd());
        // A shift's log keeps no undo history beside its lines.
        QCOMPARE(edit.document()->availableUndoSteps(), 0);
    }
};

QTEST_MAIN(LogViewTest)
#include "tst_logview.moc"
