#pragma once

#include <QObject>

class QIcon;
class QSystemTrayIcon;

// The program's icon in the desktop's tray while it waits in the background, where the
// desktop has a place for such icons: a click shows the window, its menu offers
// 显示窗口 and 退出.
class ReadyTray : public QObject {
    Q_OBJECT

public:
    ReadyTray(const QIcon& icon, QObject* parent);
    ~ReadyTray() override;

signals:
    void showRequested();
    void exitRequested();

private:
    QSystemTrayIcon* m_icon;
};
