#include "PopupKeyDialog.h"

#include "Application.h"
#include "platform/GlobalKey.h"

#include <QDialogButtonBox>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

PopupKeyDialog::PopupKeyDialog(GlobalKey* key, QKeySequence defaultKey, QWidget* parent)
    : QDialog(parent), m_key(key)
{
    setObjectName(QStringLiteral("PopupKeyDialog"));
    setWindowTitle(App::title);
    auto* layout = new QVBoxLayout(this);
    auto* prompt = new QLabel(QStringLiteral("在任何程序中选中文字后按这个键，Veritome 就在文字旁"
                                             "打开浮动查询窗。请按下新的组合键："),
                              this);
    prompt->setWordWrap(true);
    layout->addWidget(prompt);
    m_edit = new QKeySequenceEdit(key->key(), this);
    m_edit->setObjectName(QStringLiteral("PopupKeyEdit"));
    m_edit->setAccessibleName(QStringLiteral("浮动查询窗的快捷键"));
    prompt->setBuddy(m_edit);
    layout->addWidget(m_edit);
    m_state = new QLabel(this);
    m_state->setObjectName(QStringLiteral("PopupKeyState"));
    m_state->setWordWrap(true);
    layout->addWidget(m_state);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    QPushButton* none = buttons->addButton(QStringLiteral("不用快捷键"), QDialogButtonBox::ResetRole);
    QPushButton* restore = buttons->addButton(QStringLiteral("恢复默认"), QDialogButtonBox::ResetRole);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(none, &QPushButton::clicked, m_edit, &QKeySequenceEdit::clear);
    connect(restore, &QPushButton::clicked, this,
            [this, defaultKey] { m_edit->setKeySequence(defaultKey); });
    connect(m_edit, &QKeySequenceEdit::editingFinished, this,
            &PopupKeyDialog::keepFirstCombination);
    connect(m_key, &GlobalKey::stateChanged, this, &PopupKeyDialog::showState);
    showState();
}

QKeySequence PopupKeyDialog::chosenKey() const
{
    const QKeySequence sequence = m_edit->keySequence();
    return sequence.isEmpty() ? QKeySequence() : QKeySequence(sequence[0]);
}

// A global key is one combination; the edit would wait for up to four.
void PopupKeyDialog::keepFirstCombination()
{
    if (m_edit->keySequence().count() > 1)
        m_edit->setKeySequence(chosenKey());
}

void PopupKeyDialog::showState()
{
    m_state->setText(m_key->stateText());
}
