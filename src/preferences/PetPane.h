#pragma once

#include "pets/PetPackage.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QWidget>

class CheckeredImage;
class Chip;
class PetThumbnailStore;
class PreferencesHost;
class QLabel;
class QVBoxLayout;

// The Pet pane: a preview of the pet on screen, the library in a "Default" and an "Imported"
// group with a thumbnail, "Active" or "Switch" and a menu per pet, and the import buttons.
// Follows the active pet while open; thumbnails arrive from a background store.
class PetPane : public QWidget {
    Q_OBJECT

public:
    explicit PetPane(PreferencesHost &host, QWidget *parent = nullptr);
    ~PetPane() override;

    PetThumbnailStore &thumbnails() const { return *m_thumbnails; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QWidget *buildPreview();
    QWidget *buildImportButtons();
    QWidget *buildLibrary(const QList<PetPackage> &library);
    QWidget *buildRow(const PetPackage &package, bool active);
    void refresh();
    void scheduleRefresh();
    void showThumbnail(const QString &atlasPath);

    PreferencesHost &m_host;
    PetThumbnailStore *m_thumbnails = nullptr;
    QVBoxLayout *m_column = nullptr;
    CheckeredImage *m_preview = nullptr;
    QLabel *m_previewName = nullptr;
    QLabel *m_previewHint = nullptr;
    Chip *m_frameSize = nullptr;
    Chip *m_columns = nullptr;
    QPointer<QWidget> m_library;
    QHash<QString, CheckeredImage *> m_thumbnailViews;
    bool m_refreshPending = false;
    bool m_painted = false;
    // What to make thumbnails of once the pane is first painted.
    QList<PetPackage> m_pendingPrewarm;
};
