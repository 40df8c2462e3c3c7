#include "preferences/AboutPane.h"

#include "platform/ApplicationIcon.h"
#include "preferences/PreferencesHost.h"
#include "widgets/Card.h"
#include "widgets/Chip.h"
#include "widgets/SecondaryButton.h"
#include "widgets/SymbolIcon.h"
#include "widgets/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QUrl>
#include <QVBoxLayout>

namespace {
using SymbolIcon::Symbol;

QLabel *inkLabel(const QString &text, int size, QFont::Weight weight, const QColor &ink, QWidget *parent = nullptr)
{
    auto *label = Theme::label(text, size, weight, ink, parent);
    return label;
}

QWidget *hero()
{
    auto *box = new QWidget;
    auto *line = new QHBoxLayout(box);
    line->setContentsMargins(0, Theme::Space::xs, 0, Theme::Space::xs);
    line->setSpacing(Theme::Space::l);
    auto *icon = new QLabel(box);
    icon->setObjectName(QStringLiteral("aboutIcon"));
    icon->setPixmap(ApplicationIcon::icon().pixmap(72, 72));
    line->addWidget(icon, 0, Qt::AlignTop);

    auto *texts = new QVBoxLayout;
    texts->setSpacing(Theme::Space::xs);
    auto *title = new QHBoxLayout;
    title->setSpacing(Theme::Space::s);
    title->addWidget(
        inkLabel(QStringLiteral("Tamsel"), Theme::TypeSize::paneTitle, QFont::DemiBold, Theme::Ink::primary, box));
    auto *beta = new Chip(QStringLiteral("BETA"), Theme::Accent::base, box);
    beta->setObjectName(QStringLiteral("betaChip"));
    title->addWidget(beta, 0, Qt::AlignVCenter);
    title->addStretch();
    texts->addLayout(title);
    texts->addWidget(inkLabel(QStringLiteral("A tiny desktop companion with an opinion."), Theme::TypeSize::body,
        QFont::Normal, Theme::Ink::primary, box));
    auto *version = inkLabel(QStringLiteral("Version ") + QStringLiteral(TAMSEL_VERSION), Theme::TypeSize::caption,
        QFont::Normal, Theme::Ink::secondary, box);
    version->setObjectName(QStringLiteral("aboutVersion"));
    texts->addWidget(version);
    texts->addWidget(inkLabel(QStringLiteral("Linux (X11; Wayland through XWayland)"), Theme::TypeSize::caption,
        QFont::Normal, Theme::Ink::secondary, box));
    line->addLayout(texts, 1);
    return box;
}
}

QUrl AboutPane::groqKeysPage()
{
    return QUrl(QStringLiteral("https://console.groq.com/keys"));
}

AboutPane::AboutPane(PreferencesHost &host, std::function<void()> hideWindow, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("aboutPane"));
    PreferencesHost *h = &host;
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(Theme::Space::xl, 0, Theme::Space::xl, Theme::Space::xl);
    column->setSpacing(Theme::Space::l);

    auto *identity = new Card;
    identity->addWidget(hero());
    column->addWidget(identity);

    auto *credits = new Card(QStringLiteral("Credits"));
    credits->addRow(QStringLiteral("Built with"),
        QStringLiteral("Qt 6, QCoro, libarchive, QtKeychain and xcb on Linux; answers and chatter from Groq."),
        nullptr);
    credits->addRow(QStringLiteral("Pet format"), QStringLiteral("Nimbo-compatible spritesheet packages."), nullptr);
    column->addWidget(credits);

    auto *links = new Card(QStringLiteral("Links"));
    auto *groq = new SecondaryButton(QStringLiteral("Get a Key"), SymbolIcon::icon(Symbol::key, Theme::Ink::primary));
    groq->setObjectName(QStringLiteral("groqKeyButton"));
    connect(groq, &QPushButton::clicked, this, [h] { h->openUrl(groqKeysPage()); });
    links->addRow(QStringLiteral("Get a Groq key"),
        QStringLiteral("Used for chatter generation and Ask Tamsel. BYOK — never leaves your computer."), groq);
    auto *welcome
        = new SecondaryButton(QStringLiteral("Show again"), SymbolIcon::icon(Symbol::sparkles, Theme::Accent::base));
    welcome->setObjectName(QStringLiteral("welcomeTourButton"));
    connect(welcome, &QPushButton::clicked, this, [h, hideWindow = std::move(hideWindow)] {
        if (hideWindow)
            hideWindow();
        h->replayWelcome();
    });
    links->addRow(
        QStringLiteral("Welcome tour"), QStringLiteral("Replays the introduction you saw on first launch."), welcome);
    column->addWidget(links);
    column->addStretch();
}
