#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>

class QComboBox;

// The query box's drop-down list as the query history. Each item keeps the ANSI bytes it
// was loaded or searched with, so a term that is no valid text goes back to the file as
// it came.
namespace QueryBox {

// The box holds one line of text, however it gets there (typed, pasted, put there by the
// program): what it shows is what is searched and stored.
void keepOneLine(QComboBox* box);
// The keyboard goes to the box with its term selected, so that the next term typed
// replaces it. After the Enter that searched, that key is still on its way to the box,
// which puts its text back unselected as it arrives: the term is selected again then.
enum class Key { None, EnterOnItsWay };
void takeKeyboard(QComboBox* box, Key pending = Key::None);
// Fills the list, oldest first; the text being typed stays.
void setHistory(QComboBox* box, const QList<QByteArray>& items);
QList<QByteArray> history(const QComboBox* box);
// The term in the box enters the history as the history's rules say; its bytes.
QByteArray remember(QComboBox* box);
// The same for a term looked up elsewhere; the box keeps the text it shows.
QByteArray remember(QComboBox* box, const QString& term);

} // namespace QueryBox

// Enter in the query box, or in its open history list, where it first puts the picked term
// into the box: entered() once for each Enter, before the box has the key.
class QueryBoxEnter : public QObject {
    Q_OBJECT

public:
    explicit QueryBoxEnter(QComboBox* box);

signals:
    void entered();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QComboBox* m_box;
    QObject* m_list; // the drop-down list, compared by address only
    bool m_enterTaken = false; // the list has just entered this Enter
};
