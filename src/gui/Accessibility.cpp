#include "Accessibility.h"

#include <QAbstractItemView>
#include <QAccessibleObject>
#include <QAccessibleWidget>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QQuickRenderControl>
#include <QQuickWindow>
#include <QWindow>

namespace {

const char roleProperty[] = "veritomeAccessibleRole";

// Windows that a widget draws itself into are part of that widget, not windows of their
// own: the web views draw their pages through such windows.
bool drawnIntoAWidget(QWindow* window)
{
    auto* quick = qobject_cast<QQuickWindow*>(window);
    return quick && QQuickRenderControl::renderWindowFor(quick) != nullptr;
}

QList<QObject*> publishedWindows()
{
    QList<QObject*> windows;
    for (QWindow* window : QGuiApplication::topLevelWindows()) {
        if (window->type() == Qt::Popup || window->type() == Qt::Desktop
            || drawnIntoAWidget(window))
            continue;
        if (QAccessibleInterface* root = window->accessibleRoot())
            if (root->object())
                windows.append(root->object());
    }
    return windows;
}

class Application : public QAccessibleApplication {
public:
    int childCount() const override { return int(publishedWindows().size()); }

    QAccessibleInterface* child(int index) const override
    {
        const QList<QObject*> windows = publishedWindows();
        if (index < 0 || index >= windows.size())
            return nullptr;
        return QAccessible::queryAccessibleInterface(windows.at(index));
    }

    int indexOfChild(const QAccessibleInterface* child) const override
    {
        return child ? int(publishedWindows().indexOf(child->object())) : -1;
    }
};

// A combo box under the name it was given, as a labelled box is heard on every desktop;
// what it holds is its value.
class NamedComboBox : public QAccessibleWidget {
public:
    explicit NamedComboBox(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

    QComboBox* box() const { return static_cast<QComboBox*>(widget()); }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return box()->isEditable() ? box()->lineEdit()->text() : box()->currentText();
        return QAccessibleWidget::text(t);
    }

    int childCount() const override { return box()->lineEdit() ? 2 : 1; }

    QAccessibleInterface* child(int index) const override
    {
        if (index == 0)
            return QAccessible::queryAccessibleInterface(box()->view());
        if (index == 1 && box()->lineEdit())
            return QAccessible::queryAccessibleInterface(box()->lineEdit());
        return nullptr;
    }

    int indexOfChild(const QAccessibleInterface* child) const override
    {
        if (!child)
            return -1;
        if (child->object() == box()->view())
            return 0;
        if (box()->lineEdit() && child->object() == box()->lineEdit())
            return 1;
        return -1;
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.expandable = true;
        state.expanded = box()->view()->isVisible();
        state.editable = box()->isEditable();
        return state;
    }

    QStringList actionNames() const override
    {
        return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override
    {
        if (action == showMenuAction() || action == pressAction()) {
            if (box()->view()->isVisible())
                box()->hidePopup();
            else
                box()->showPopup();
            return;
        }
        QAccessibleWidget::doAction(action);
    }
};

// The classes whose objects are given a role or a name here. Every other object is left
// untouched: the web engine's own items, asked about as they take the focus, are built
// without the type information that a call through them would need.
bool answersFor(const QString& className)
{
    static const QStringList classes = {
        QStringLiteral("QWidget"),   QStringLiteral("QFrame"),       QStringLiteral("QComboBox"),
        QStringLiteral("TfrmMain"),  QStringLiteral("TfrmFloating"), QStringLiteral("TCoolBar"),
        QStringLiteral("TWebBrowser"),
    };
    return classes.contains(className);
}

QAccessibleInterface* interfaceFor(const QString& className, QObject* object)
{
    if (object == qApp && className == QLatin1String("QApplication"))
        return new Application;
    if (!answersFor(className))
        return nullptr;
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget)
        return nullptr;
    // Asked for the most derived class first: answered there, or for the toolkit's class.
    if (className != QLatin1String(object->metaObject()->className())
        && className != QLatin1String("QComboBox"))
        return nullptr;
    const QVariant role = widget->property(roleProperty);
    if (role.isValid())
        return new QAccessibleWidget(widget, QAccessible::Role(role.toInt()));
    if (auto* box = qobject_cast<QComboBox*>(widget);
        box && className == QLatin1String("QComboBox") && !box->accessibleName().isEmpty())
        return new NamedComboBox(box);
    return nullptr;
}

} // namespace

namespace Accessibility {

void install() { QAccessible::installFactory(&interfaceFor); }

void setRole(QWidget* widget, QAccessible::Role role)
{
    widget->setProperty(roleProperty, int(role));
}

// An alert that shows is read out at once; it takes no room and never the keyboard.
void announce(QWidget* window, const QString& text)
{
    const QString name = QStringLiteral("announcement");
    auto* alert = window->findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
    if (!alert) {
        alert = new QWidget(window);
        alert->setObjectName(name);
        alert->setFocusPolicy(Qt::NoFocus);
        alert->setAttribute(Qt::WA_TransparentForMouseEvents);
        alert->setGeometry(0, 0, 0, 0);
        setRole(alert, QAccessible::AlertMessage);
    }
    alert->hide();
    alert->setAccessibleName(text);
    alert->show();
}

} // namespace Accessibility
