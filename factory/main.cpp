#include "FactoryCommandLine.h"
#include "FactoryWindow.h"
#include "ProcessExit.h"
#include "RefuseSecondInstance.h"
#include "SingleInstance.h"
#include "UsageNotice.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

namespace {

int runStation(int argc, char* argv[], FactoryCommandLine line)
{
    QApplication app(argc, argv);
    // A relative image is the caller's, taken before the folder changes.
    if (!line.file.isEmpty())
        line.file = QFileInfo(line.file).absoluteFilePath();
    // cfg/ and tr/ lie beside the program, wherever it is started from.
    QDir::setCurrent(QCoreApplication::applicationDirPath());

    // Its own name: the station runs beside the flash-test and dump windows.
    SingleInstance instance(QStringLiteral("7C3E2B90-5D41-4A8E-9F26-1B0D8E4C6A75"));
    if (refuseSecondInstance(instance))
        return -1;

    FactoryWindow window(line);
    // A station PC shows nothing else: the tiles take the whole screen (and
    // all of it in the operator's view, which the window has set already).
    window.setWindowState(window.windowState() | Qt::WindowMaximized);
    window.show();
    if (line.start)
        QTimer::singleShot(0, &window, &FactoryWindow::startAll);
    return app.exec();
}

} // namespace

int main(int argc, char* argv[])
{
    // Judged before Qt starts: a bad line needs no display and gets the usage text alone.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const FactoryCommandLine line = FactoryCommandLine::parse(arguments);
    if (!line.valid) {
        showUsage(QStringLiteral("tervaskfactory"), FactoryCommandLine::usage());
        return 1;
    }
    return endProcess(runStation(argc, argv, line));
}
