#include "CoolBar.h"

#include <QVBoxLayout>

TCoolBar::TCoolBar(QWidget* parent) : QFrame(parent), m_bands(new QVBoxLayout(this))
{
    m_bands->setContentsMargins(0, 0, 0, 0);
    m_bands->setSpacing(1);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void TCoolBar::addBand(QWidget* control)
{
    m_bands->addWidget(control);
}

void TCoolBar::removeBand(QWidget* control)
{
    m_bands->removeWidget(control);
}

int TCoolBar::bandCount() const { return m_bands->count(); }

QWidget* TCoolBar::bandControl(int index) const
{
    QLayoutItem* item = m_bands->itemAt(index);
    return item ? item->widget() : nullptr;
}

int TCoolBar::bandIndexOf(const QWidget* control) const
{
    for (int i = 0; i < m_bands->count(); ++i)
        if (m_bands->itemAt(i)->widget() == control)
            return i;
    return -1;
}

QSize TCoolBar::minimumSizeHint() const
{
    QSize hint = QFrame::minimumSizeHint();
    const int frame = 2 * frameWidth();
    for (int i = 0; i < m_bands->count(); ++i) {
        const QWidget* control = m_bands->itemAt(i)->widget();
        if (control && !control->isHidden())
            hint.setWidth(qMax(hint.width(),
                               control->sizeHint().expandedTo(control->minimumSize()).width() + frame));
    }
    return hint;
}
