#pragma once

#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

// Answers the next modal message box that opens, and remembers what it said.
class ModalAnswerer : public QObject {
    Q_OBJECT

public:
    explicit ModalAnswerer(QMessageBox::StandardButton answer = QMessageBox::Ok,
                           QObject* parent = nullptr);

    bool answered() const { return m_answered; }
    QString text() const { return m_text; }
    QString title() const { return m_title; }
    QMessageBox::Icon icon() const { return m_icon; }
    QMessageBox::StandardButtons buttons() const { return m_buttons; }
    // The buttons' texts as shown, in the order of buttons().
    QStringList buttonTexts() const { return m_buttonTexts; }
    QWidget* owner() const { return m_owner; }

private:
    void poll();

    QTimer m_timer;
    QMessageBox::StandardButton m_answer;
    bool m_answered = false;
    QString m_text;
    QString m_title;
    QMessageBox::Icon m_icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons m_buttons;
    QStringList m_buttonTexts;
    QWidget* m_owner = nullptr;
};
