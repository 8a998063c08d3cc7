#include "DockGrip.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionToolBar>

DockGrip::DockGrip(QWidget* control) : QWidget(control)
{
    setObjectName(QStringLiteral("dockGrip"));
    setAccessibleName(QStringLiteral("拖动工具栏"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setCursor(Qt::SizeAllCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
}

QSize DockGrip::sizeHint() const
{
    return QSize(extent(), 0);
}

int DockGrip::extent() const
{
    return style()->pixelMetric(QStyle::PM_ToolBarHandleExtent, nullptr, this);
}

void DockGrip::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QStyleOptionToolBar option;
    option.initFrom(this);
    option.state |= QStyle::State_Horizontal;
    style()->drawPrimitive(QStyle::PE_IndicatorToolBarHandle, &option, &painter, this);
}
