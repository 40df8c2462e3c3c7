#include "preferences/WelcomeWindow.h"

#include "platform/ApplicationIcon.h"
#include "widgets/PrimaryButton.h"
#include "widgets/SecondaryButton.h"
#include "widgets/SymbolIcon.h"
#include "widgets/Theme.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace {
constexpr int heroIconSize = 72;
constexpr int heroTileSize = 96;

struct Feature {
    SymbolIcon::Symbol icon;
    QString title;
    QString detail;
};

QLabel *textLabel(const QString &text, int size, QFont::Weight weight, const QColor &ink, QWidget *parent)
{
    auto *label = Theme::label(text, size, weight, ink, parent);
    label->setWordWrap(true);
    return label;
}

// The program's icon on a rounded tile tinted with the accent.
class HeroTile : public QWidget {
public:
    explicit HeroTile(QWidget *parent)
        : QWidget(parent)
        , m_icon(ApplicationIcon::icon())
    {
        setFixedSize(heroTileSize, heroTileSize);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QColor tint = Theme::Accent::base;
        tint.setAlphaF(0.12);
        p.setPen(Qt::NoPen);
        p.setBrush(tint);
        p.drawRoundedRect(QRectF(rect()), 24, 24);
        const QRect target((width() - heroIconSize) / 2, (height() - heroIconSize) / 2, heroIconSize, heroIconSize);
        if (!m_icon.isNull())
            m_icon.paint(&p, target);
        else
            SymbolIcon::icon(SymbolIcon::Symbol::sparkles, Theme::Accent::base).paint(&p, target);
    }

private:
    QIcon m_icon;
};

// One card of the list: its symbol in an accent tile, a title and a line or two of detail.
class FeatureCard : public QFrame {
public:
    FeatureCard(const Feature &feature, QWidget *parent)
        : QFrame(parent)
    {
        auto *row = new QHBoxLayout(this);
        row->setContentsMargins(Theme::Space::m, Theme::Space::m, Theme::Space::m, Theme::Space::m);
        row->setSpacing(Theme::Space::m);
        auto *symbol = new QLabel(this);
        symbol->setPixmap(SymbolIcon::icon(feature.icon, Theme::Accent::base).pixmap(20, 20));
        symbol->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
        symbol->setFixedWidth(24);
        row->addWidget(symbol, 0, Qt::AlignTop);
        auto *texts = new QVBoxLayout;
        texts->setSpacing(2);
        texts->addWidget(textLabel(feature.title, Theme::TypeSize::body, QFont::DemiBold, Theme::Ink::primary, this));
        texts->addWidget(
            textLabel(feature.detail, Theme::TypeSize::caption + 1, QFont::Normal, Theme::Ink::secondary, this));
        row->addLayout(texts, 1);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Theme::Surface::cardBorder, 1));
        p.setBrush(Theme::Surface::card);
        p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), Theme::Radius::window, Theme::Radius::window);
    }
};
}

WelcomeWindow::WelcomeWindow(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("welcomeWindow"));
    setWindowTitle(QStringLiteral("Welcome to Tamsel"));
    setWindowIcon(ApplicationIcon::icon());
    setFixedSize(fixedSize);
    Theme::applyLightPalette(this);
    setAutoFillBackground(true);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(Theme::Space::xl, Theme::Space::xl, Theme::Space::xl, Theme::Space::xl);
    column->setSpacing(Theme::Space::s);

    column->addWidget(new HeroTile(this), 0, Qt::AlignHCenter);
    column->addSpacing(Theme::Space::s);
    QLabel *title = textLabel(QStringLiteral("Say hi to your new desktop companion"), Theme::TypeSize::paneTitle,
        QFont::DemiBold, Theme::Ink::primary, this);
    title->setAlignment(Qt::AlignHCenter);
    column->addWidget(title);
    QLabel *subtitle = textLabel(QStringLiteral("They live on your desktop and stroll around while you work."),
        Theme::TypeSize::body, QFont::Normal, Theme::Ink::secondary, this);
    subtitle->setAlignment(Qt::AlignHCenter);
    column->addWidget(subtitle);
    column->addSpacing(Theme::Space::m);

    const QList<Feature> features {
        { SymbolIcon::Symbol::bubbles, QStringLiteral("Menu & Preferences"),
            QStringLiteral("Right-click the pet, or click the tamsel icon in your system tray, to open Preferences, "
                           "switch pets, or quit.") },
        { SymbolIcon::Symbol::handTap, QStringLiteral("Click, drag, ask"),
            QStringLiteral("Single-click for a quick wave. Drag to reposition. Press Super+K anywhere to ask them "
                           "something.") },
        { SymbolIcon::Symbol::pawprint, QStringLiteral("Your pets"),
            QStringLiteral("Tamsel ships with the app. Import more from a folder or .zip with pet.json + "
                           "spritesheet.webp via Preferences → Pets.") },
        { SymbolIcon::Symbol::arrowsLeftRight, QStringLiteral("Running the wrong way?"),
            QStringLiteral("Open Preferences → Animations and toggle “Swap left / right movement”. Sprite atlases "
                           "sometimes label facing inverted.") },
    };
    for (const Feature &feature : features)
        column->addWidget(new FeatureCard(feature, this));
    column->addStretch();

    auto *actions = new QHBoxLayout;
    actions->setSpacing(Theme::Space::s);
    auto *gotIt = new SecondaryButton(QStringLiteral("Got it"), {}, this);
    gotIt->setObjectName(QStringLiteral("welcomeGotItButton"));
    gotIt->setAutoDefault(true); // Return presses it while it has focus
    m_openPreferences = new PrimaryButton(QStringLiteral("Open Preferences"), {}, this);
    m_openPreferences->setObjectName(QStringLiteral("welcomeOpenPreferencesButton"));
    m_openPreferences->setDefault(true);
    actions->addStretch();
    actions->addWidget(gotIt);
    actions->addWidget(m_openPreferences);
    column->addLayout(actions);

    connect(gotIt, &QPushButton::clicked, this, &QWidget::close);
    connect(m_openPreferences, &QPushButton::clicked, this, &WelcomeWindow::chooseOpenPreferences);
}

void WelcomeWindow::chooseOpenPreferences()
{
    emit openPreferencesChosen();
    close();
}

void WelcomeWindow::keyPressEvent(QKeyEvent *event)
{
    // A plain window has no default button of its own; a focused button takes Return first.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        chooseOpenPreferences();
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void WelcomeWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_openPreferences->setFocus(Qt::OtherFocusReason);
}

void WelcomeWindow::closeEvent(QCloseEvent *event)
{
    QWidget::closeEvent(event);
    if (!m_closed) {
        m_closed = true;
        emit closed();
    }
}
