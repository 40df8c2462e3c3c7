#include "preferences/PreferencesWindow.h"

#include "platform/ApplicationIcon.h"
#include "preferences/AboutPane.h"
#include "preferences/AdvancedPane.h"
#include "preferences/AnimationsPane.h"
#include "preferences/BehaviorPane.h"
#include "preferences/PetPane.h"
#include "preferences/PreferencesHost.h"
#include "preferences/RemindersPane.h"
#include "preferences/WindowPane.h"
#include "widgets/EmptyState.h"
#include "widgets/SymbolIcon.h"
#include "widgets/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {
using SymbolIcon::Symbol;

constexpr int sidebarWidth = 172;

QLabel *inkLabel(const QString &text, int size, QFont::Weight weight, const QColor &ink, QWidget *parent)
{
    auto *label = Theme::label(text, size, weight, ink, parent);
    return label;
}

// The sidebar's background, a shade darker than the content, with a hairline on its right.
class SidebarBackground : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), Theme::Surface::sidebar);
        p.fillRect(QRect(width() - 1, 0, 1, height()), Theme::Surface::cardBorder);
    }
};
}

PreferencesWindow::PreferencesWindow(PreferencesHost &host, PreferencesSection section, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_host(host)
{
    setObjectName(QStringLiteral("preferencesWindow"));
    setWindowTitle(QStringLiteral("tamsel Preferences"));
    setWindowIcon(ApplicationIcon::icon());
    setFixedSize(680, 600);
    Theme::applyLightPalette(this);
    setAutoFillBackground(true);

    m_title = inkLabel(QString(), Theme::TypeSize::paneTitle, QFont::DemiBold, Theme::Ink::primary, this);
    m_title->setObjectName(QStringLiteral("paneTitle"));
    m_subtitle = inkLabel(QString(), Theme::TypeSize::body, QFont::Normal, Theme::Ink::secondary, this);
    m_subtitle->setObjectName(QStringLiteral("paneSubtitle"));
    m_panes = new QStackedWidget(this);

    auto *content = new QVBoxLayout;
    content->setContentsMargins(0, Theme::Space::xl, 0, 0);
    content->setSpacing(2);
    auto *header = new QVBoxLayout;
    header->setContentsMargins(Theme::Space::xl, 0, Theme::Space::xl, Theme::Space::m);
    header->setSpacing(2);
    header->addWidget(m_title);
    header->addWidget(m_subtitle);
    content->addLayout(header);
    content->addWidget(m_panes, 1);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildSidebar());
    layout->addLayout(content, 1);

    connect(m_sections, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && row < PreferencesSections::all().size())
            setSection(PreferencesSections::all().at(row));
    });
    // The Animations pane is made for one pet: another pet gets a new one.
    connect(&host, &PreferencesHost::activePetChanged, this, [this] {
        QWidget *built = m_built.take(PreferencesSection::Animations);
        if (!built)
            return;
        m_panes->removeWidget(built);
        built->deleteLater();
        if (m_section == PreferencesSection::Animations)
            setSection(m_section);
    });
    setSection(section);
    // Keyboard users start in the section list.
    m_sections->setFocus(Qt::OtherFocusReason);
}

QWidget *PreferencesWindow::buildSidebar()
{
    auto *sidebar = new SidebarBackground(this);
    sidebar->setFixedWidth(sidebarWidth);
    auto *column = new QVBoxLayout(sidebar);
    column->setContentsMargins(Theme::Space::m, Theme::Space::xl, Theme::Space::m, Theme::Space::l);
    column->setSpacing(Theme::Space::xs);

    auto *brand = new QHBoxLayout;
    brand->setContentsMargins(Theme::Space::s, 0, 0, Theme::Space::l);
    brand->setSpacing(Theme::Space::s);
    auto *logo = new QLabel(sidebar);
    logo->setPixmap(SymbolIcon::drawn(Symbol::pawprint, Theme::Accent::base).pixmap(28, 28));
    brand->addWidget(logo);
    auto *names = new QVBoxLayout;
    names->setSpacing(0);
    names->addWidget(
        inkLabel(QStringLiteral("Tamsel"), Theme::TypeSize::cardTitle, QFont::Bold, Theme::Ink::primary, sidebar));
    names->addWidget(inkLabel(
        QStringLiteral("Preferences"), Theme::TypeSize::caption, QFont::Normal, Theme::Ink::secondary, sidebar));
    brand->addLayout(names, 1);
    column->addLayout(brand);

    m_sections = new QListWidget(sidebar);
    m_sections->setObjectName(QStringLiteral("preferencesSidebar"));
    m_sections->setFrameShape(QFrame::NoFrame);
    m_sections->setIconSize({ 18, 18 });
    m_sections->setFocusPolicy(Qt::StrongFocus);
    m_sections->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_sections->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_sections->setFont(Theme::font(Theme::TypeSize::body, QFont::Medium));
    m_sections->setStyleSheet(
        QStringLiteral("QListWidget { background: transparent; outline: none; }"
                       "QListWidget::item { height: 34px; padding-left: 6px; border-radius: %1px; color: %2; }"
                       "QListWidget::item:hover { background: %3; }"
                       "QListWidget::item:selected { background: %4; color: %2; }")
            .arg(Theme::Radius::control)
            .arg(Theme::Ink::primary.name(), Theme::Surface::cardBorder.name(), Theme::Surface::card.name()));
    const QList<Symbol> icons { Symbol::pawprint, Symbol::wand, Symbol::stack, Symbol::bell, Symbol::window,
        Symbol::sliders, Symbol::info };
    for (PreferencesSection each : PreferencesSections::all()) {
        QIcon icon;
        const Symbol symbol = icons.at(static_cast<int>(each));
        icon.addPixmap(SymbolIcon::icon(symbol, Theme::Ink::secondary).pixmap(18, 18), QIcon::Normal);
        icon.addPixmap(SymbolIcon::icon(symbol, Theme::Accent::base).pixmap(18, 18), QIcon::Selected);
        m_sections->addItem(new QListWidgetItem(icon, PreferencesSections::title(each)));
    }
    column->addWidget(m_sections, 1);

    auto *version = inkLabel(QStringLiteral("Version ") + QStringLiteral(TAMSEL_VERSION), Theme::TypeSize::caption,
        QFont::Normal, Theme::Ink::tertiary, sidebar);
    version->setObjectName(QStringLiteral("sidebarVersion"));
    version->setContentsMargins(Theme::Space::s, 0, 0, 0);
    column->addWidget(version);
    return sidebar;
}

void PreferencesWindow::setSection(PreferencesSection section)
{
    m_section = section;
    {
        const QSignalBlocker quiet(m_sections);
        m_sections->setCurrentRow(static_cast<int>(PreferencesSections::all().indexOf(section)));
    }
    m_title->setText(PreferencesSections::title(section));
    m_subtitle->setText(PreferencesSections::subtitle(section));
    QWidget *&pane = m_built[section];
    if (!pane) {
        auto *scroll = new QScrollArea(m_panes);
        scroll->setFrameShape(QFrame::NoFrame);
        // Tab goes from the section list straight to the pane's first control.
        scroll->setFocusPolicy(Qt::NoFocus);
        scroll->setWidgetResizable(true);
        scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        scroll->verticalScrollBar()->setStyleSheet(Theme::scrollBarStyleSheet());
        QWidget *inner = createPane(section);
        inner->setAutoFillBackground(false);
        scroll->setWidget(inner);
        scroll->viewport()->setAutoFillBackground(false);
        m_panes->addWidget(scroll);
        pane = scroll;
    }
    m_panes->setCurrentWidget(pane);
}

QWidget *PreferencesWindow::createPane(PreferencesSection section)
{
    switch (section) {
    case PreferencesSection::Pet: return new PetPane(m_host);
    case PreferencesSection::Window: return new WindowPane(m_host);
    case PreferencesSection::About: return new AboutPane(m_host, [this] { hide(); });
    case PreferencesSection::Behavior: return new BehaviorPane(m_host);
    case PreferencesSection::Advanced: return new AdvancedPane(m_host);
    case PreferencesSection::Animations: return createAnimationsPane();
    case PreferencesSection::Reminders: return new RemindersPane(m_host);
    }
    return placeholderPane(section);
}

QWidget *PreferencesWindow::createAnimationsPane()
{
    PreferencesHost *host = &m_host;
    KeyStore *keys = m_host.keyStore();
    GroqClient *client = m_host.groqClient();
    AlertPresenter *alerts = m_host.alerts();
    if (!keys || !client || !alerts) {
        auto *pane = new QWidget;
        auto *column = new QVBoxLayout(pane);
        column->addWidget(new QLabel(QStringLiteral("Animations unavailable."), pane));
        column->addStretch();
        return pane;
    }
    AnimationsPane::Context context { m_host.settings(), *keys, *client, *alerts, m_host.animationMapStore(),
        m_host.characterStore(), m_host.activePetID(), m_host.activeDecoder(),
        m_host.bundledPetID().value_or(QString()), [this](PreferencesSection target) { setSection(target); },
        [host] { host->applyMovementInversion(); } };
    return new AnimationsPane(std::move(context));
}

QWidget *PreferencesWindow::placeholderPane(PreferencesSection section)
{
    auto *pane = new QWidget;
    auto *column = new QVBoxLayout(pane);
    column->addStretch();
    column->addWidget(new EmptyState(SymbolIcon::icon(Symbol::sparkles, Theme::Ink::tertiary),
        PreferencesSections::title(section) + QStringLiteral(" settings are on their way"),
        QStringLiteral("Until then, the tray menu and the pet's right-click menu offer the essentials."), pane));
    column->addStretch(2);
    return pane;
}
