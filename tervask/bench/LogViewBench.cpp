// Appends 100,000 coloured lines to a shown log view and prints the time the
// first and the last thousand took. Appending must not slow down as the log grows.
#include "LogView.h"

#include <QApplication>
#include <QColor>
#include <QElapsedTimer>
#include <QTextEdit>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QTextEdit edit;
    edit.setReadOnly(true);
    edit.setStyleSheet(QStringLiteral("QTextEdit {font: times bold 13pt; background: black }"));
    edit.resize(598, 300);
    edit.show();
    LogView log(&edit);

    // The colour mix of a download: echoes and packet lines in yellow between
    // progress, success, retry and error lines.
    const QColor colours[] = { Qt::white, Qt::yellow, Qt::yellow, Qt::green, Qt::lightGray, Qt::yellow, Qt::red };
    const int lines = 100000;
    const int block = 1000;
    qint64 firstBlockMs = 0;
    qint64 lastBlockMs = 0;
    QElapsedTimer all;
    all.start();
    QElapsedTimer blockTimer;
    blockTimer.start();
    for (int i = 0; i < lines; ++i) {
        log.appendLog(QStringLiteral("Send packet %1 of the image, 1024 bytes").arg(i), colours[i % 7]);
        QCoreApplication::processEvents();
        if ((i + 1) % block == 0) {
            const qint64 ms = blockTimer.restart();
            if (i + 1 == block)
                firstBlockMs = ms;
            lastBlockMs = ms;
        }
    }
    std::printf("first %d lines: %lld ms\nlast %d lines: %lld ms\nall %d lines: %lld ms\n", block,
        static_cast<long long>(firstBlockMs), block, static_cast<long long>(lastBlockMs), lines,
        static_cast<long long>(all.elapsed()));
    return 0;
}
