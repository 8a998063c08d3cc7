#include "QueryBox.h"

#include "AnsiCodec.h"
#include "LookupAddress.h"
#include "QueryHistory.h"

#include <QComboBox>
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
