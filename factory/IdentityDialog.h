#pragma once

#include "Recipe.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;

// The recipe's identity group: whether each chip gets its own MAC address,
// the pool it comes from, and where and how it is written into the flash.
// What the stations would refuse at Start is said while it is typed.
class IdentityDialog : public QDialog {
    Q_OBJECT

public:
    IdentityDialog(const Recipe::Identity& identity, const QString& flashSize, QWidget* parent = nullptr);

    Recipe::Identity identity() const;

private:
    void judge();

    QString flashSize;
    QCheckBox* enabledBox = nullptr;
    QLineEdit* firstEdit = nullptr;
    QLineEdit* lastEdit = nullptr;
    QLineEdit* flashEdit = nullptr;
    QComboBox* formatBox = nullptr;
    QComboBox* perChipBox = nullptr;
    QLabel* note = nullptr;
    QDialogButtonBox* buttons = nullptr;
};
