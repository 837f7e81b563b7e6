#include "RefuseSecondInstance.h"

#include "SingleInstance.h"

#include <QMessageBox>
#include <QObject>

bool refuseSecondInstance(const SingleInstance& instance)
{
    if (instance.isFirst())
        return false;
    QMessageBox::warning(
        nullptr, QObject::tr("Error"), QObject::tr("You have already run an application."), QMessageBox::Ok);
    return true;
}
