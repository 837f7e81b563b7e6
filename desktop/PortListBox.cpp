#include "PortListBox.h"

#include "PortList.h"

#include <QComboBox>
#include <QEvent>

void PortListBox::refreshOnPress(QComboBox* box, const QObject* watched, const QEvent* event)
{
    if (watched == box && event->type() == QEvent::MouseButtonPress && box->isEnabled())
        refresh(box);
}

void PortListBox::refresh(QComboBox* box)
{
    const QString remembered = box->currentText();
    const QStringList names = availablePortNames();
    box->clear();
    box->addItems(names);
    if (remembered.isEmpty())
        box->setCurrentIndex(names.isEmpty() ? -1 : 0);
    else
        box->setCurrentIndex(names.indexOf(remembered));
}
