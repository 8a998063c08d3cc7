#pragma once

#include <QFrame>
#include <QSize>
#include <QString>
#include <functional>
#include <memory>

class PageSettings;
class PageZoom;
class QLabel;
class QStackedWidget;
class QTabWidget;
class QToolButton;
class ResultTabs;

// The look-up popup (浮动查询窗): a small window beside the word the user is reading, with
// the term's result pages as compact tabs. It goes on Esc and when the user turns back to
// what they were reading (a click outside it, another window), unless it is pinned: a
// pinned popup is an ordinary window that can be moved and resized. Its pages go with it,
// and their renderers with them.
class LookupPopup : public QFrame {
    Q_OBJECT

public:
    LookupPopup(std::shared_ptr<PageSettings> pageSettings, PageZoom* zoom);
    ~LookupPopup() override;

    ResultTabs& tabs() const { return *m_tabs; }
    QTabWidget* pages() const { return m_pages; }

    // Shows the popup for the term beside the pointer (centred on the screen where the
    // pointer cannot be known). Once it has painted, openPages opens the term's pages into
    // its tabs, so that the engine's start never holds the popup up; it returns what to say
    // in their place where it opened none.
    void present(const QString& term, std::function<QString()> openPages);
    // The popup with a message alone.
    void presentMessage(const QString& message);
    QString term() const { return m_term; }

    bool isPinned() const { return m_pinned; }
    void setPinned(bool pinned);
    // The size it opens at: the last a pinned popup was given.
    QSize chosenSize() const { return m_chosenSize; }
    void setChosenSize(QSize size);

signals:
    void openInMainWindowRequested();
    // Closed, or put away with its pages; not when it is pinned or unpinned.
    void hidden();

protected:
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void showFor(const QString& term, const QString& message);
    void showMessage(const QString& message);
    void openPages();
    void applyWindowKind();
    void closeUnlessPinned();

    ResultTabs* m_tabs = nullptr;
    QTabWidget* m_pages = nullptr;
    QStackedWidget* m_body = nullptr;
    QLabel* m_title = nullptr;
    QLabel* m_message = nullptr;
    QToolButton* m_toMainWindow = nullptr;
    QToolButton* m_pin = nullptr;
    QString m_term;
    std::function<QString()> m_openPages; // until the popup has painted
    bool m_pinned = false;
    bool m_changingKind = false;
    QSize m_chosenSize;
};
