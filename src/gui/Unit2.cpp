#include "Unit2.h"

#include "Accessibility.h"
#include "Docking.h"

#include <QCloseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionTitleBar>
#include <QVBoxLayout>

TfrmFloating::TfrmFloating(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowMinMaxButtonsHint)
{
    setWindowTitle(QStringLiteral("frmFloating"));
    // Heard as the tool bar it holds, the bar the View menu calls so.
    Accessibility::setRole(this, QAccessible::Window);
    setAccessibleName(QStringLiteral("标准按钮"));
    // With no window manager there is no title bar to drag the window back by.
    if (!Docking::desktopFramesWindows())
        setContentsMargins(0, style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this), 0, 0);
    resize(658, 65);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

void TfrmFloating::FormClose(QObject*, bool& allowClose)
{
    allowClose = false;
}

void TfrmFloating::FormDockDrop(QObject*, QWidget* Source)
{
    layout()->addWidget(Source);
    Source->show();
    // The tool bar stays in this window until the window itself is dragged back.
    Docking::setDragMode(Source, Docking::DragMode::Manual);
    show();
}

void TfrmFloating::closeEvent(QCloseEvent* event)
{
    bool allowClose = true;
    FormClose(this, allowClose);
    event->setAccepted(allowClose);
}

void TfrmFloating::paintEvent(QPaintEvent*)
{
    if (captionHeight() == 0)
        return;
    QPainter painter(this);
    QStyleOptionTitleBar caption;
    caption.initFrom(this);
    caption.rect = QRect(0, 0, width(), captionHeight());
    caption.text = windowTitle();
    caption.subControls = QStyle::SC_TitleBarLabel;
    caption.titleBarFlags = Qt::Window | Qt::WindowTitleHint;
    if (isActiveWindow()) {
        caption.state |= QStyle::State_Active;
        caption.titleBarState = Qt::WindowActive;
    }
    style()->drawComplexControl(QStyle::CC_TitleBar, &caption, &painter, this);
}

void TfrmFloating::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && captionHeight() > 0)
        update(0, 0, width(), captionHeight());
    QWidget::changeEvent(event);
}
