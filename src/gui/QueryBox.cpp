#include "QueryBox.h"

#include "AnsiCodec.h"
#include "LookupAddress.h"
#include "QueryHistory.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QValidator>

namespace {

constexpr int bytesRole = Qt::UserRole;

// The line edit puts back the text this makes of an edit, with the caret where it was.
class OneLineValidator : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString& input, int& position) const override
    {
        const QString line = Lookup::oneLineTerm(input);
        if (line != input) {
            position = int(Lookup::oneLineTerm(input.left(position)).size());
            // A CR LF cut in two by the caret counts once in the whole, twice in its halves.
            position = qMin(position, int(line.size()));
            input = line;
        }
        return Acceptable;
    }
};

} // namespace

namespace QueryBox {

void keepOneLine(QComboBox* box)
{
    box->setValidator(new OneLineValidator(box));
}

void takeKeyboard(QComboBox* box, Key pending)
{
    box->setFocus(Qt::OtherFocusReason);
    QLineEdit* line = box->lineEdit();
    if (!line)
        return;
    line->selectAll();
    if (pending == Key::EnterOnItsWay)
        QMetaObject::invokeMethod(line, &QLineEdit::selectAll, Qt::QueuedConnection);
}

void setHistory(QComboBox* box, const QList<QByteArray>& items)
{
    const QString editText = box->currentText();
    box->clear();
    for (const QByteArray& item : items)
        box->addItem(AnsiCodec::decode(item), item);
    box->setEditText(editText);
}

QList<QByteArray> history(const QComboBox* box)
{
    QList<QByteArray> items;
    items.reserve(box->count());
    for (int i = 0; i < box->count(); ++i)
        items.append(box->itemData(i, bytesRole).toByteArray());
    return items;
}

QByteArray remember(QComboBox* box)
{
    const QString term = box->currentText();
    // A term picked from the list is that item, with the bytes it was loaded with, even
    // where they are no valid text.
    const int picked = box->findText(term, Qt::MatchExactly | Qt::MatchCaseSensitive);
    const QByteArray bytes = picked >= 0 ? box->itemData(picked, bytesRole).toByteArray()
                                         : AnsiCodec::encode(term);
    const QueryHistory::Change change = QueryHistory(history(box)).remember(bytes);
    if (!change.added)
        return bytes;
    if (change.removedIndex >= 0)
        box->removeItem(change.removedIndex);
    box->addItem(term, bytes);
    box->setEditText(term);
    return bytes;
}

QByteArray remember(QComboBox* box, const QString& term)
{
    const QString shown = box->currentText();
    box->setEditText(term);
    const QByteArray bytes = remember(box);
    box->setEditText(shown);
    return bytes;
}

} // namespace QueryBox

QueryBoxEnter::QueryBoxEnter(QComboBox* box) : QObject(box), m_box(box), m_list(box->view())
{
    box->installEventFilter(this);
    // While the history list is open, the keys go to the list instead of the query box.
    box->view()->installEventFilter(this);
}

bool QueryBoxEnter::eventFilter(QObject* watched, QEvent* event)
{
    const bool keyEvent =
        event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress;
    const auto isEnter = [event] {
        const int key = static_cast<QKeyEvent*>(event)->key();
        return key == Qt::Key_Return || key == Qt::Key_Enter;
    };
    // Enter in the open list puts the picked term into the box and enters it at once, as
    // Enter in the box itself does. The list takes Enter before it is a key press, as it
    // would take a shortcut. The list is compared by address only: the filter also sees the
    // events of its destruction, when it can no longer be asked anything.
    if (watched == m_list && keyEvent && isEnter()) {
        const QModelIndex picked = m_box->view()->currentIndex();
        if (picked.isValid()) {
            m_box->setCurrentIndex(picked.row());
            m_box->setEditText(m_box->itemText(picked.row()));
        }
        m_box->hidePopup();
        emit entered();
        // The same Enter comes on as a key press to the query box, which has the keyboard
        // again; it has been entered once already.
        m_enterTaken = true;
        QMetaObject::invokeMethod(this, [this] { m_enterTaken = false; }, Qt::QueuedConnection);
        return true;
    }
    // Keys reach the combo box first; it hands them to its line edit directly. A key sent to
    // the line edit itself comes back to the combo box when the line edit leaves it, so
    // watching the combo box alone sees every Enter once.
    if (watched == m_box && event->type() == QEvent::KeyPress && isEnter()) {
        if (std::exchange(m_enterTaken, false))
            return true;
        emit entered();
    }
    // The key goes on to the query box either way.
    return QObject::eventFilter(watched, event);
}
