#include "preferences/BehaviorPane.h"

#include "pets/SpriteSheetDecoder.h"
#include "preferences/CharacterCard.h"
#include "preferences/PreferencesHost.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "widgets/Card.h"
#include "widgets/ChoiceMenu.h"
#include "widgets/SegmentedControl.h"
#include "widgets/Theme.h"
#include "widgets/ToggleSwitch.h"

#include <QSignalBlocker>
#include <QVBoxLayout>

#include <cmath>

const QList<double> &BehaviorPane::playbackSpeeds()
{
    static const QList<double> values { 0.5, 0.75, 1.0, 1.5 };
    return values;
}

QList<QPair<qint64, QString>> BehaviorPane::namedRows(PreferencesHost &host)
{
    QList<QPair<qint64, QString>> rows;
    const std::optional<QString> petID = host.activePetID();
    const std::shared_ptr<SpriteSheetDecoder> decoder = host.activeDecoder();
    if (!petID || !decoder)
        return rows;
    for (const qint64 row : decoder->nonEmptyRows()) {
        const QString name = host.rowName(*petID, row);
        if (!name.isEmpty())
            rows.append({ row, name });
    }
    return rows;
}

BehaviorPane::BehaviorPane(PreferencesHost &host, QWidget *parent)
    : QWidget(parent)
    , m_host(host)
{
    setObjectName(QStringLiteral("behaviorPane"));
    SettingsStore &settings = host.settings();
    PreferencesHost *h = &host;
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(Theme::Space::xl, 0, Theme::Space::xl, Theme::Space::xl);
    column->setSpacing(Theme::Space::l);
    auto *card = new Card;
    column->addWidget(card);
    column->addWidget(new CharacterCard(host));
    column->addStretch();

    const QList<BehaviorMode> modes = SettingsEnums::allBehaviorModes();
    QStringList modeTitles;
    for (const BehaviorMode mode : modes)
        modeTitles.append(SettingsEnums::displayTitle(mode));
    auto *mode = new ChoiceMenu(modeTitles);
    mode->setObjectName(QStringLiteral("behaviorModeMenu"));
    mode->setAccessibleName(QStringLiteral("Mode"));
    mode->setCurrentIndex(static_cast<int>(modes.indexOf(settings.behaviorMode())));
    connect(mode, &QComboBox::currentIndexChanged, this, [h, modes](int index) {
        if (index < 0 || index >= modes.size())
            return;
        h->settings().setBehaviorMode(modes.at(index));
        h->restartBehavior();
    });
    card->addRow(QStringLiteral("Mode"), QStringLiteral("How Tamsel behaves when you're not touching it."), mode);

    m_clickMenu = new ChoiceMenu;
    m_clickMenu->setObjectName(QStringLiteral("clickBehaviorMenu"));
    m_clickMenu->setAccessibleName(QStringLiteral("On click"));
    fillClickMenu();
    connect(m_clickMenu, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0 && index < m_clickChoices.size())
            m_host.settings().setValue(SettingsKeys::clickBehavior, m_clickChoices.at(index));
    });
    connect(&host, &PreferencesHost::activePetChanged, this, &BehaviorPane::fillClickMenu);
    card->addRow(QStringLiteral("On click"), QStringLiteral("What happens when you click the pet."), m_clickMenu);

    QStringList speedLabels;
    for (const double speed : playbackSpeeds())
        speedLabels.append(QString::asprintf("%.2g", speed) + QStringLiteral("×"));
    auto *speed = new SegmentedControl(speedLabels);
    speed->setObjectName(QStringLiteral("playbackSpeedControl"));
    speed->setAccessibleName(QStringLiteral("Playback speed"));
    const double storedSpeed = settings.playbackSpeed();
    for (int i = 0; i < playbackSpeeds().size(); ++i) {
        if (std::abs(playbackSpeeds().at(i) - storedSpeed) < 0.001)
            speed->setCurrentIndex(i);
    }
    connect(speed, &SegmentedControl::currentIndexChanged, this, [h](int index) {
        if (index < 0 || index >= playbackSpeeds().size())
            return;
        h->settings().setValue(SettingsKeys::playbackSpeed, playbackSpeeds().at(index));
        h->applyPlaybackSpeed();
    });
    card->addRow(QStringLiteral("Playback speed"), QString(), speed);

    auto *chatter = new ToggleSwitch;
    chatter->setObjectName(QStringLiteral("idleChatterSwitch"));
    chatter->setAccessibleName(QStringLiteral("Idle chatter"));
    chatter->setChecked(settings.chatterEnabled());
    connect(chatter, &ToggleSwitch::toggled, this,
        [h](bool on) { h->settings().setValue(SettingsKeys::chatterEnabled, on); });
    card->addRow(
        QStringLiteral("Idle chatter"), QStringLiteral("Occasional speech bubbles when you're inactive."), chatter);

    const QList<InputMode> inputModes = SettingsEnums::allInputModes();
    QStringList inputTitles;
    for (const InputMode inputMode : inputModes)
        inputTitles.append(SettingsEnums::displayTitle(inputMode));
    auto *input = new SegmentedControl(inputTitles);
    input->setObjectName(QStringLiteral("inputModeControl"));
    input->setAccessibleName(QStringLiteral("Ask input"));
    input->setCurrentIndex(static_cast<int>(inputModes.indexOf(settings.inputMode())));
    connect(input, &SegmentedControl::currentIndexChanged, this, [h, inputModes](int index) {
        if (index >= 0 && index < inputModes.size())
            h->settings().setValue(SettingsKeys::inputMode, SettingsEnums::rawString(inputModes.at(index)));
    });
    card->addRow(
        QStringLiteral("Ask input"), QStringLiteral("Default mode when you open the Ask Tamsel prompt."), input);
}

void BehaviorPane::fillClickMenu()
{
    const QSignalBlocker blocker(m_clickMenu);
    m_clickMenu->clear();
    m_clickChoices.clear();
    const auto add = [this](const QString &title, const ClickBehavior &behavior) {
        m_clickMenu->addItem(title);
        m_clickChoices.append(behavior.rawString());
    };
    add(QStringLiteral("No action"), ClickBehavior::none());
    add(QStringLiteral("Random animation"), ClickBehavior::randomCycle());
    add(QStringLiteral("Toggle running"), ClickBehavior::toggleRunning());
    for (const auto &[row, name] : namedRows(m_host))
        add(name, ClickBehavior::row(static_cast<int>(row)));
    // A stored row that is no longer named shows no entry rather than a wrong one.
    m_clickMenu->setCurrentIndex(
        static_cast<int>(m_clickChoices.indexOf(m_host.settings().clickBehavior().rawString())));
    m_clickMenu->updateGeometry();
}
