#include "preferences/WindowPane.h"

#include "preferences/PreferencesHost.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "widgets/Card.h"
#include "widgets/ChoiceMenu.h"
#include "widgets/SegmentedControl.h"
#include "widgets/Theme.h"
#include "widgets/ToggleSwitch.h"

#include <QVBoxLayout>

#include <cmath>

const QList<double> &WindowPane::scales()
{
    static const QList<double> values { 0.25, 0.5, 0.75, 1.0, 1.5, 2.0 };
    return values;
}

QString WindowPane::scaleLabel(double scale)
{
    if (scale == 1.0)
        return QStringLiteral("1×");
    QString text = QString::asprintf("%.2f", scale);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text + QStringLiteral("×");
}

WindowPane::WindowPane(PreferencesHost &host, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("windowPane"));
    SettingsStore &settings = host.settings();
    PreferencesHost *h = &host;
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(Theme::Space::xl, 0, Theme::Space::xl, Theme::Space::xl);
    column->setSpacing(Theme::Space::l);
    auto *card = new Card;
    column->addWidget(card);
    column->addStretch();

    QStringList labels;
    for (const double scale : scales())
        labels.append(scaleLabel(scale));
    auto *scale = new SegmentedControl(labels);
    scale->setObjectName(QStringLiteral("scaleControl"));
    scale->setAccessibleName(QStringLiteral("Scale"));
    const double stored = settings.scale();
    for (int i = 0; i < scales().size(); ++i) {
        if (std::abs(scales().at(i) - stored) < 0.001)
            scale->setCurrentIndex(i);
    }
    connect(scale, &SegmentedControl::currentIndexChanged, this, [h](int index) {
        if (index < 0)
            return;
        h->settings().setValue(SettingsKeys::scale, scales().at(index));
        h->reloadCurrentPetWithScale();
    });
    card->addRow(QStringLiteral("Scale"), QString(), scale);

    QStringList levelTitles;
    const QList<WindowLevel> levels = SettingsEnums::allWindowLevels();
    for (const WindowLevel level : levels)
        levelTitles.append(SettingsEnums::displayTitle(level));
    auto *level = new ChoiceMenu(levelTitles);
    level->setObjectName(QStringLiteral("windowLevelMenu"));
    level->setAccessibleName(QStringLiteral("Window level"));
    level->setCurrentIndex(static_cast<int>(levels.indexOf(settings.windowLevel())));
    connect(level, &QComboBox::currentIndexChanged, this, [h, levels](int index) {
        if (index < 0 || index >= levels.size())
            return;
        h->settings().setWindowLevel(levels.at(index));
        h->setWindowLevel(levels.at(index));
    });
    card->addRow(QStringLiteral("Window level"), QStringLiteral("Where the pet sits in the window stack."), level);

    auto *clickThrough = new ToggleSwitch;
    clickThrough->setObjectName(QStringLiteral("clickThroughSwitch"));
    clickThrough->setAccessibleName(QStringLiteral("Click-through"));
    clickThrough->setChecked(settings.value(SettingsKeys::clickThrough));
    connect(clickThrough, &ToggleSwitch::toggled, this, [h](bool on) {
        h->settings().setValue(SettingsKeys::clickThrough, on);
        h->setClickThrough(on);
    });
    card->addRow(QStringLiteral("Click-through"), QStringLiteral("Mouse clicks pass through the pet."), clickThrough);

    auto *startHidden = new ToggleSwitch;
    startHidden->setObjectName(QStringLiteral("startHiddenSwitch"));
    startHidden->setAccessibleName(QStringLiteral("Start hidden"));
    startHidden->setChecked(settings.value(SettingsKeys::startHidden));
    connect(startHidden, &ToggleSwitch::toggled, this,
        [h](bool on) { h->settings().setValue(SettingsKeys::startHidden, on); });
    card->addRow(QStringLiteral("Start hidden"), QStringLiteral("Launch without showing the pet window."), startHidden);
}
