#include "ModalAnswerer.h"

#include <QAbstractButton>
#include <QApplication>

ModalAnswerer::ModalAnswerer(QMessageBox::StandardButton answer, QObject* parent)
    : QObject(parent), m_answer(answer)
{
    connect(&m_timer, &QTimer::timeout, this, &ModalAnswerer::poll);
    m_timer.start(10);
}

void ModalAnswerer::poll()
{
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box)
        return;
    m_timer.stop();
    m_answered = true;
    m_text = box->text();
    m_title = box->windowTitle();
    m_icon = box->icon();
    m_buttons = box->standardButtons();
    for (int flag = QMessageBox::FirstButton; flag <= QMessageBox::LastButton; flag <<= 1)
        if (QAbstractButton* button = box->button(QMessageBox::StandardButton(flag)))
            m_buttonTexts.append(button->text());
    m_owner = box->parentWidget();
    if (QAbstractButton* button = box->button(m_answer))
        button->click();
    else
        box->reject();
}
