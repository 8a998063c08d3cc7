#include "ReadyTray.h"

#include <QMenu>
#include <QSystemTrayIcon>
#include <memory>

ReadyTray::ReadyTray(const QIcon& icon, QObject* parent)
    : QObject(parent), m_icon(new QSystemTrayIcon(icon, this))
{
    m_icon->setToolTip(QStringLiteral("Veritome：选中文字后按快捷键查询"));
    // The tray holds on to its menu but does not own it.
    auto* menu = new QMenu;
    menu->setObjectName(QStringLiteral("TrayMenu"));
    connect(menu->addAction(QStringLiteral("显示窗口")), &QAction::triggered, this,
            &ReadyTray::showRequested);
    connect(menu->addAction(QStringLiteral("退出")), &QAction::triggered, this,
            &ReadyTray::exitRequested);
    m_icon->setContextMenu(menu);
    connect(m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    emit showRequested();
            });
    m_icon->show();
}

ReadyTray::~ReadyTray()
{
    const std::unique_ptr<QMenu> menu(m_icon->contextMenu());
    delete m_icon;
}
