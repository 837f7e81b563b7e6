#pragma once

class QComboBox;
class QEvent;
class QObject;

// A window's port list, read afresh each time the operator presses on it, so
// that the list the operator opens is always the system's list of the moment.
class PortListBox {
public:
    // For the window's event filter over the list: a press on the enabled list
    // refills it. Qt hands presses on a disabled widget to its event filters
    // too, and while a job runs the list is disabled and its port is the job's.
    static void refreshOnPress(QComboBox* box, const QObject* watched, const QEvent* event);

    // The serial ports and TERVASK_EXTRA_PORTS; the chosen name stays chosen
    // while it is listed, and a list without a choice takes its first name.
    static void refresh(QComboBox* box);
};
