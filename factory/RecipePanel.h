#pragma once

#include <QGroupBox>

class QLabel;
class QLineEdit;
class QPushButton;
struct Recipe;

// What every station downloads and where: the image (its size and CRC-32
// shown), the setup values and the chosen ports. Edited through the file
// picker, the setup dialog and the port chooser; locked while stations run.
class RecipePanel : public QGroupBox {
    Q_OBJECT

public:
    RecipePanel(Recipe& recipe, QWidget* parent = nullptr);

    void setLocked(bool locked);
    void showRecipe();
    void retranslate();

signals:
    void portsChosen();

private:
    void chooseFile();
    void editSetup();
    void choosePorts();
    void editIdentity();
    void showImage();
    void showIdentity();

    Recipe& recipe;
    QLineEdit* fileEdit = nullptr;
    QPushButton* fileBtn = nullptr;
    QLabel* imageLabel = nullptr;
    QPushButton* setupBtn = nullptr;
    QLabel* setupLabel = nullptr;
    QPushButton* portsBtn = nullptr;
    QLabel* portsLabel = nullptr;
    QPushButton* identityBtn = nullptr;
    QLabel* identityLabel = nullptr;
};
