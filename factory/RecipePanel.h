#pragma once

#include "PortListing.h"
#include "RecipeImage.h"

#include <QFileSystemWatcher>
#include <QGroupBox>

#include <functional>
#include <optional>

class ElidedLabel;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
struct Recipe;

// What every station downloads and how: the image (its size and CRC-32, and
// those of the bytes in use while stations run), the setup values, the
// retries, the sound on failure and the chosen fixtures. Edited through the
// file picker, the setup dialog and the port chooser; locked while stations
// run, and, once the line lead has set a PIN, until the PIN unlocks it.
class RecipePanel : public QGroupBox {
    Q_OBJECT

public:
    RecipePanel(Recipe& recipe, QWidget* parent = nullptr);

    void setRunning(bool running);
    // The recipe may be changed now: nothing runs, and no PIN locks it.
    bool isEditable() const;
    // A lead PIN is set and was not entered: what belongs to the lead stays as it is.
    bool leadLocked() const;
    // The image the running stations share; none while nothing runs.
    void showImageInUse(const std::optional<RecipeImage>& image);
    void showRecipe();
    void retranslate();
    // Where the port chooser lists the ports: the system by default, a test's list otherwise.
    void setListingSource(std::function<QList<PortListing>()> source) { listingSource = std::move(source); }

signals:
    void recipeChanged(); // a value of the recipe changed: save it
    void imageChosen();
    void portsChosen();
    void lockChanged();

private:
    void buildWidgets();
    void layOut();
    void refreshLock();
    void chooseFile();
    void editSetup();
    void choosePorts();
    void editIdentity();
    void unlockOrLock();
    void setPin();
    void showImage();
    void showIdentity();
    QString imageText(bool& trouble) const;
    void watchImageFile();

    Recipe& recipe;
    std::function<QList<PortListing>()> listingSource { &PortListing::available };
    bool running = false;
    bool unlocked = false; // the lead entered the PIN in this session
    std::optional<RecipeImage> inUse;
    QFileSystemWatcher imageFile;
    QLineEdit* fileEdit = nullptr;
    QPushButton* fileBtn = nullptr;
    ElidedLabel* imageLabel = nullptr;
    QPushButton* setupBtn = nullptr;
    ElidedLabel* setupLabel = nullptr;
    QPushButton* portsBtn = nullptr;
    ElidedLabel* portsLabel = nullptr;
    QSpinBox* retriesBox = nullptr;
    QCheckBox* soundBox = nullptr;
    QPushButton* lockBtn = nullptr;
    QPushButton* pinBtn = nullptr;
    QPushButton* identityBtn = nullptr;
    ElidedLabel* identityLabel = nullptr;
};
