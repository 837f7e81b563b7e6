#include "DownloadMainWindow.h"
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
    // Qt 6 already reads translations, 8-bit strings and the locale's texts as UTF-8.

    SingleInstance instance(QStringLiteral("09F1FEFC-32C2-4325-BF85-CB492A46FB30"));
    if (refuseSecondInstance(instance))
        return -1;

    DownloadMainWindow window(0, nullptr, Qt::WindowFlags());
    window.show();
    return app.exec();
}

} // namespace

int main(int argc, char* argv[])
{
    return endProcess(run(argc, argv));
}
