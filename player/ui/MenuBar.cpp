#include "player/ui/MenuBar.h"

#include "player/engine/audio/IDeviceSetup.h"
#include "player/ui/CheckBoxPalette.h"
#include "player/ui/Constants.h"
#include "player/ui/Pixmaps.h"
#include "player/ui/platform/ButtonOSXEventFilter.h"

#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpacerItem>
#include <QToolButton>
#include <QWidgetAction>

namespace {

void setAll(QPalette& palette, QPalette::ColorRole role, const QBrush& brush)
{
    palette.setBrush(QPalette::All, role, brush);
}

} // namespace

MenuBar::MenuBar(QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setSpacing(0);
    layout->setContentsMargins(0, 0, 0, 0);

    menuButton = new QPushButton(this);
    menuButton->setObjectName(QStringLiteral("menuButton"));
    menuButton->installEventFilter(this);
    menuButton->setFocusPolicy(Qt::NoFocus);
    menuButton->setIcon(QIcon(QStringLiteral(":menu_icon")));
    menuButton->setIconSize(QSize(14, 14));
    QSizePolicy expanding(QSizePolicy::Expanding, QSizePolicy::Expanding);
    expanding.setHorizontalStretch(1);
    expanding.setVerticalStretch(1);
    menuButton->setSizePolicy(expanding);

    minimizeButton = new QToolButton(this);
    minimizeButton->setObjectName(QStringLiteral("minimizeButton"));
    minimizeButton->setIcon(QIcon(QStringLiteral(":minimize_icon")));
    minimizeButton->setIconSize(QSize(12, 12));
    minimizeButton->setAutoRaise(true);
    closeButton = new QToolButton(this);
    closeButton->setObjectName(QStringLiteral("closeButton"));
    closeButton->setIcon(QIcon(QStringLiteral(":close_icon")));
    closeButton->setIconSize(QSize(12, 12));
    closeButton->setAutoRaise(true);

    auto* menu = new QMenu(menuButton);
    QFont menuFont = menu->font();
    menuFont.setWeight(QFont::Bold);
    menuFont.setFamily(fontFamily);
    menu->setFont(menuFont);
    menuButton->setMenu(menu);

    menuButton->installEventFilter(new ButtonOSXEventFilter(this));

    layout->addItem(new QSpacerItem(14, 20, QSizePolicy::Fixed, QSizePolicy::Minimum));
    layout->addWidget(closeButton);
    layout->addWidget(minimizeButton);
    layout->addWidget(menuButton);
    layout->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    layout->addItem(new QSpacerItem(10, 0, QSizePolicy::Fixed, QSizePolicy::Minimum));

    QPalette barPalette = palette();
    setAll(barPalette, QPalette::Window, Qt::transparent);
    setAll(barPalette, QPalette::Button, Qt::transparent);
    setPalette(barPalette);
    setAutoFillBackground(true);

    QPalette buttonPalette = menuButton->palette();
    setAll(buttonPalette, QPalette::Button, Qt::transparent);
    setAll(buttonPalette, QPalette::Mid, Qt::transparent);
    for (QWidget* button : {static_cast<QWidget*>(menuButton), static_cast<QWidget*>(minimizeButton),
                            static_cast<QWidget*>(closeButton)}) {
        button->setMaximumWidth(button->height());
        button->setPalette(buttonPalette);
    }

    devicesMenu = new QMenu(tr("Devices"), menu);
    devicesMenu->setIcon(QIcon(QStringLiteral(":/devices_icon")));
    devicesMenu->setToolTipsVisible(true);
    devicesMenu->installEventFilter(this);
}

QMenu* MenuBar::mainMenu() const
{
    return menuButton ? menuButton->menu() : nullptr;
}

void MenuBar::setupOpen()
{
    auto* open = new QAction(tr("Open"), mainMenu());
    QIcon icon;
    icon.addFile(QStringLiteral(":/open_icon"), QSize(), QIcon::Normal, QIcon::Off);
    open->setIcon(icon);
    mainMenu()->addAction(open);
}

void MenuBar::initialize(QMenu* attributesMenu)
{
    attributesMenu->setTitle(QStringLiteral("Attributes"));
    QIcon icon;
    icon.addFile(QStringLiteral(":/attributes_icon"), QSize(), QIcon::Normal, QIcon::Off);
    attributesMenu->setIcon(icon);
    attributesMenu->setToolTip(tr("Customize which columns you see in the table"));
    mainMenu()->addMenu(attributesMenu);
}

void MenuBar::setupAudioDevicePrefs()
{
    for (QAction* action : devicesMenu->actions()) {
        devicesMenu->removeAction(action);
        if (action->parent() == devicesMenu)
            action->deleteLater();
    }

    const Audio::IAudioDeviceInfos& infos = deviceSetup->getAudioDevices();
    const int count = static_cast<int>(infos.countAudioDevices());
    for (int i = 0; i < count; ++i) {
        const Audio::AudioDeviceInfo info = infos.getInfo(static_cast<unsigned>(i));
        if (!info.probed || info.hasOutput == 0)
            continue;

        QPalette palette = createCheckBoxPalette(i);
        palette.setBrush(QPalette::All, QPalette::Mid, palette.brush(QPalette::WindowText));
        palette.setBrush(QPalette::All, QPalette::Dark, QBrush(QColor(53, 54, 55), Qt::SolidPattern));

        auto* box = new QCheckBox(devicesMenu);
        QFont font = box->font();
        font.setWeight(QFont::Normal);
        font.setFamily(fontFamily);
        box->setFont(font);
        box->setPalette(palette);
        const QString name = QString::fromStdString(info.name);
        box->setText(name);
        box->setCheckable(true);
        box->setChecked(false);

        auto* action = new QWidgetAction(devicesMenu);
        action->setDefaultWidget(box);
        devicesMenu->addAction(action);

        if (static_cast<unsigned>(i) == infos.getCurrentAudioDevice())
            box->setChecked(true);
        box->setToolTip(name);

        connect(
            box, &QCheckBox::toggled, box,
            [this, box, i](bool checked) {
                if (!checked) {
                    // A click on the checked box: keep it checked, which runs
                    // this handler again with true and reopens that device.
                    box->setChecked(true);
                    return;
                }
                for (QAction* entry : devicesMenu->actions()) {
                    auto* widgetAction = qobject_cast<QWidgetAction*>(entry);
                    auto* other = widgetAction ? qobject_cast<QCheckBox*>(widgetAction->defaultWidget())
                                               : nullptr;
                    if (!other)
                        continue;
                    const QSignalBlocker blocker(other);
                    other->setChecked(false);
                }
                const QSignalBlocker blocker(box);
                box->setChecked(true);
                deviceSetup->setDevice(i);
            },
            Qt::DirectConnection);
    }
    // Listed anew (another library object): the entry keeps its place.
    if (!mainMenu()->actions().contains(devicesMenu->menuAction()))
        mainMenu()->addMenu(devicesMenu);
}

void MenuBar::setupWavExport()
{
    auto* exportAll = new QAction(QStringLiteral("Export as WAV"), mainMenu());
    exportAll->setIcon(
        QIcon(recolorPixmap(loadPixmap(devicesMenu, QStringLiteral(":save_icon")), Qt::gray)));
    exportAll->setToolTip(exportAllToolTip);
    connect(
        exportAll, &QAction::triggered, exportAll, [this]() { emit wavExportAllTriggered(); },
        Qt::DirectConnection);
    mainMenu()->addAction(exportAll);
    mainMenu()->setToolTipsVisible(true);
    exportAll->setEnabled(false);
}

void MenuBar::setupAbout()
{
    auto* about = new QAction(tr("About"), mainMenu());
    QIcon icon;
    icon.addFile(QStringLiteral(":/about_icon"), QSize(), QIcon::Active, QIcon::Off);
    about->setIcon(icon);
    mainMenu()->addAction(about);
}

QAction* MenuBar::getActionAt(int index) const
{
    QMenu* menu = mainMenu();
    if (!menu)
        return nullptr;
    const QList<QAction*> actions = menu->actions();
    if (index < 0 || index >= actions.size())
        return nullptr;
    return actions.at(index);
}

bool MenuBar::eventFilter(QObject* watched, QEvent* event)
{
    auto* menu = qobject_cast<QMenu*>(watched);
    QAction* active = menu ? menu->activeAction() : nullptr;
    if (!active || event->type() != QEvent::MouseButtonRelease || !active->isEnabled())
        return QObject::eventFilter(watched, event);

    // Trigger the entry without letting the menu see the release, so the
    // menu stays open (a device can be switched and the menu still shows it).
    active->setEnabled(false);
    event->accept();
    active->setEnabled(true);
    active->activate(QAction::Trigger);
    return true;
}
