#include "DownloadDumpWindow.h"
#include "ProcessExit.h"
#include "RefuseSecondInstance.h"
#include "SingleInstance.h"

#include <QApplication>
#include <QDir>

namespace {

int run(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // cfg/ and tr/ lie beside the program, wherever it is started from.
    QDir::setCurrent(QCoreApplication::applicationDirPath());

    // Its own name, so that the dump tool and the flash-test tool can run side by side.
    SingleInstance instance(QStringLiteral("09F1FEFC-32C2-4326-BF85-CB492A46FB30"));
    if (refuseSecondInstance(instance))
        return -1;

    DownloadDumpWindow window(2, nullptr, Qt::WindowFlags());
    window.show();
    return app.exec();
}

} // namespace

int main(int argc, char* argv[])
{
    return endProcess(run(argc, argv));
}
