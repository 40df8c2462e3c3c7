#include "preferences/PreferencesWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

PreferencesWindow::PreferencesWindow(PreferencesSection section, QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("tamsel Preferences"));
    setFixedSize(680, 600);

    m_sidebar = new QListWidget(this);
    m_sidebar->setFixedWidth(180);
    for (PreferencesSection each : PreferencesSections::all())
        m_sidebar->addItem(PreferencesSections::title(each));

    m_title = new QLabel(this);
    QFont titleFont = m_title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    m_title->setFont(titleFont);
    m_subtitle = new QLabel(this);
    auto *pending = new QLabel(QStringLiteral("These settings arrive in a coming version. Until then, the tray "
                                              "menu and the pet's right-click menu offer the essentials."),
        this);
    pending->setWordWrap(true);

    auto *content = new QVBoxLayout;
    content->addWidget(m_title);
    content->addWidget(m_subtitle);
    content->addSpacing(16);
    content->addWidget(pending);
    content->addStretch();
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(m_sidebar);
    layout->addLayout(content, 1);

    connect(m_sidebar, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && row < PreferencesSections::all().size())
            setSection(PreferencesSections::all().at(row));
    });
    setSection(section);
}

void PreferencesWindow::setSection(PreferencesSection section)
{
    m_section = section;
    m_sidebar->setCurrentRow(static_cast<int>(PreferencesSections::all().indexOf(section)));
    m_title->setText(PreferencesSections::title(section));
    m_subtitle->setText(PreferencesSections::subtitle(section));
}
