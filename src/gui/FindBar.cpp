#include "FindBar.h"

#include "Accessibility.h"
#include "Palette.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QWebEngineFindTextResult>
#include <QWebEnginePage>
#include <QWebEngineView>

FindBar::FindBar(std::function<QWebEngineView*()> activeView, QWidget* parent)
    : QWidget(parent), m_activeView(std::move(activeView))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    auto* label = new QLabel(QStringLiteral("查找："), this);
    m_field = new QLineEdit(this);
    m_field->setObjectName(QStringLiteral("FindText"));
    m_field->setPlaceholderText(QStringLiteral("在本页中查找"));
    m_field->setClearButtonEnabled(true);
    // The clear button inside the field is heard by what it does.
    for (auto* clear : m_field->findChildren<QToolButton*>())
        clear->setAccessibleName(QStringLiteral("清除查找内容"));
    label->setBuddy(m_field);
    const auto button = [this](const char* name, const QString& text, const QString& tip) {
        auto* result = new QToolButton(this);
        result->setObjectName(QLatin1String(name));
        result->setText(text);
        result->setToolTip(tip);
        result->setAutoRaise(true);
        return result;
    };
    m_previous = button("FindPrevious", QStringLiteral("上一处"), QStringLiteral("上一处 (Shift+Enter)"));
    m_next = button("FindNext", QStringLiteral("下一处"), QStringLiteral("下一处 (Enter)"));
    m_result = new QLabel(this);
    m_result->setObjectName(QStringLiteral("FindResult"));
    m_close = button("FindClose", QStringLiteral("关闭"), QStringLiteral("关闭查找栏 (Esc)"));
    layout->addWidget(label);
    layout->addWidget(m_field, 1);
    layout->addWidget(m_previous);
    layout->addWidget(m_next);
    layout->addWidget(m_result, 1);
    layout->addWidget(m_close);

    // Nothing to step through while there is nothing to find.
    m_previous->setEnabled(false);
    m_next->setEnabled(false);
    connect(m_field, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_previous->setEnabled(!text.isEmpty());
        m_next->setEnabled(!text.isEmpty());
        find(Direction::Forward);
    });
    connect(m_previous, &QToolButton::clicked, this, &FindBar::findPrevious);
    connect(m_next, &QToolButton::clicked, this, &FindBar::findNext);
    connect(m_close, &QToolButton::clicked, this, &FindBar::close);
}

QString FindBar::term() const { return m_field->text(); }
QString FindBar::resultText() const { return m_result->text(); }

void FindBar::open()
{
    if (isHidden()) {
        QWidget* focus = QApplication::focusWidget();
        if (focus && !isAncestorOf(focus))
            m_focusBefore = focus;
        show();
        find(Direction::Forward);
    }
    m_field->setFocus(Qt::ShortcutFocusReason);
    m_field->selectAll();
}

void FindBar::findNext()
{
    if (isHidden())
        open();
    else
        find(Direction::Forward);
}

void FindBar::findPrevious()
{
    if (isHidden()) {
        open();
        return;
    }
    find(Direction::Backward);
}

void FindBar::close()
{
    if (isHidden())
        return;
    // The focus leaves the bar before it hides, so that Qt does not pass it on elsewhere.
    if (m_focusBefore && m_focusBefore->isVisible())
        m_focusBefore->setFocus(Qt::OtherFocusReason);
    else if (QWebEngineView* view = m_activeView())
        view->setFocus(Qt::OtherFocusReason);
    hide();
    clearMarks();
    ++m_request;
    m_result->clear();
}

void FindBar::activePageChanged()
{
    if (!isHidden())
        find(Direction::Forward);
}

void FindBar::activePageLoaded()
{
    if (!isHidden() && !term().isEmpty())
        find(Direction::Forward);
}

void FindBar::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        find(event->modifiers() & Qt::ShiftModifier ? Direction::Backward : Direction::Forward);
        return;
    case Qt::Key_Escape:
        close();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void FindBar::clearMarks()
{
    if (m_markedPage)
        m_markedPage->findText(QString());
    m_markedPage = nullptr;
}

void FindBar::find(Direction direction)
{
    QWebEngineView* view = m_activeView();
    QWebEnginePage* page = view ? view->page() : nullptr;
    if (m_markedPage != page)
        clearMarks();
    const int request = ++m_request;
    if (!page || term().isEmpty()) {
        clearMarks();
        m_result->clear();
        return;
    }
    m_markedPage = page;
    const QPointer<FindBar> self(this);
    page->findText(term(),
                   direction == Direction::Backward ? QWebEnginePage::FindBackward
                                                    : QWebEnginePage::FindFlags(),
                   [self, request](const QWebEngineFindTextResult& result) {
                       if (self && request == self->m_request)
                           self->showResult(result);
                   });
}

void FindBar::showResult(const QWebEngineFindTextResult& result)
{
    const bool found = result.numberOfMatches() > 0;
    // Nothing found stands out, in colour and to a screen reader.
    QPalette palette;
    if (!found)
        palette.setColor(QPalette::WindowText,
                         Palette::alertText(Palette::lookOf(QApplication::palette())));
    m_result->setPalette(palette);
    if (!found) {
        m_result->setText(QStringLiteral("没有找到"));
        Accessibility::announce(window(), QStringLiteral("没有找到“%1”").arg(term()));
        return;
    }
    m_result->setText(QStringLiteral("第 %1 处，共 %2 处")
                          .arg(result.activeMatch())
                          .arg(result.numberOfMatches()));
}
