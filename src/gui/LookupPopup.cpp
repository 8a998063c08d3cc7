#include "LookupPopup.h"

#include "Accessibility.h"
#include "MainWindowSettings.h"
#include "PopupPlacement.h"
#include "ResultTabs.h"
#include "ShownProbe.h"
#include "TabHistory.h"
#include "WebBrowser.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QShortcut>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

namespace {

QToolButton* headerButton(QWidget* parent, const QString& text, const QString& tip)
{
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setToolTip(tip);
    button->setAccessibleName(text);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

// Where the pointer is, when the window system tells.
std::optional<QPoint> pointerPosition()
{
    // A Wayland client learns where the pointer is only over its own windows.
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return std::nullopt;
    return QCursor::pos();
}

} // namespace

LookupPopup::LookupPopup(std::shared_ptr<PageSettings> pageSettings, PageZoom* zoom)
    : m_chosenSize(MainWindowSettings::PopupChoices::defaultSize)
{
    setObjectName(QStringLiteral("LookupPopup"));
    setWindowTitle(QStringLiteral("Veritome 浮动查询窗"));
    setAccessibleName(windowTitle());
    setFrameShape(QFrame::Box);
    setFrameShadow(QFrame::Plain);
    setMinimumSize(MainWindowSettings::PopupChoices::minimumSize);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(6, 2, 2, 2);
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("PopupTerm"));
    m_title->setTextFormat(Qt::PlainText);
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    header->addWidget(m_title, 1);
    m_toMainWindow = headerButton(this, QStringLiteral("在主窗口中打开"),
                                  QStringLiteral("把这些结果页移到主窗口中"));
    m_toMainWindow->setObjectName(QStringLiteral("PopupToMainWindow"));
    header->addWidget(m_toMainWindow);
    m_pin = headerButton(this, QStringLiteral("固定"),
                         QStringLiteral("固定后，浮动查询窗不会自动关闭，可以移动和改变大小"));
    m_pin->setObjectName(QStringLiteral("PopupPin"));
    m_pin->setCheckable(true);
    header->addWidget(m_pin);
    auto* closeButton = headerButton(this, QStringLiteral("关闭"), QStringLiteral("关闭 (Esc)"));
    closeButton->setObjectName(QStringLiteral("PopupClose"));
    header->addWidget(closeButton);
    layout->addLayout(header);

    m_body = new QStackedWidget(this);
    m_pages = new QTabWidget(m_body);
    m_pages->setObjectName(QStringLiteral("PopupPages"));
    m_pages->setDocumentMode(true);
    m_pages->setTabBarAutoHide(true);
    m_pages->tabBar()->setExpanding(false);
    m_pages->setAccessibleName(QStringLiteral("查询结果"));
    m_message = new QLabel(m_body);
    m_message->setObjectName(QStringLiteral("PopupMessage"));
    m_message->setAlignment(Qt::AlignCenter);
    m_message->setWordWrap(true);
    m_message->setMargin(12);
    m_body->addWidget(m_pages);
    m_body->addWidget(m_message);
    layout->addWidget(m_body, 1);

    m_tabs = new ResultTabs(this, m_pages, nullptr, nullptr, std::move(pageSettings), zoom);

    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    connect(closeButton, &QToolButton::clicked, this, &QWidget::close);
    connect(m_toMainWindow, &QToolButton::clicked, this, &LookupPopup::openInMainWindowRequested);
    connect(m_pin, &QToolButton::toggled, this, &LookupPopup::setPinned);
    // The mouse's back and forward buttons over a page.
    connect(m_tabs, &ResultTabs::backRequested, this,
            [this] { TabHistory::back(TWebBrowser::engineViewOf(m_tabs->activeBrowser())); });
    connect(m_tabs, &ResultTabs::forwardRequested, this,
            [this] { TabHistory::forward(TWebBrowser::engineViewOf(m_tabs->activeBrowser())); });

    applyWindowKind();
}

LookupPopup::~LookupPopup()
{
    // The pages go while the popup is whole: a page on its way out may still report.
    m_tabs->closeAll();
}

void LookupPopup::present(const QString& term, std::function<QString()> openPages)
{
    showFor(term, {});
    m_openPages = std::move(openPages);
    update();
}

void LookupPopup::presentMessage(const QString& message)
{
    m_openPages = {};
    showFor({}, message);
}

void LookupPopup::showFor(const QString& term, const QString& message)
{
    m_term = term;
    m_title->setText(term.isEmpty() ? QStringLiteral("Veritome") : QStringLiteral("“%1”").arg(term));
    showMessage(message);
    m_toMainWindow->setEnabled(false);
    if (!isVisible() || !m_pinned) {
        const std::optional<QPoint> pointer = pointerPosition();
        // Without the pointer, the screen of the window that has the keyboard, if it is ours.
        QScreen* screen = pointer ? QGuiApplication::screenAt(*pointer) : nullptr;
        if (!screen && QGuiApplication::focusWindow())
            screen = QGuiApplication::focusWindow()->screen();
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        const QRect area = PopupPlacement::place(m_chosenSize, pointer, screen->availableGeometry());
        resize(area.size());
        move(area.topLeft());
    }
    // Timing for bench/startup; no effect otherwise.
    if (!isVisible() && qEnvironmentVariableIsSet("VERITOME_REPORT_SHOWN"))
        ShownProbe::watch(this);
    show();
    raise();
    activateWindow();
    setFocus(Qt::PopupFocusReason);
    Accessibility::announce(this, message.isEmpty() ? QStringLiteral("浮动查询窗：%1").arg(term)
                                                    : message);
}

void LookupPopup::showMessage(const QString& message)
{
    m_message->setText(message);
    m_body->setCurrentWidget(message.isEmpty() ? static_cast<QWidget*>(m_pages) : m_message);
}

// The popup is on the screen: now the engine may take its time.
void LookupPopup::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    if (m_openPages)
        QMetaObject::invokeMethod(this, &LookupPopup::openPages, Qt::QueuedConnection);
}

void LookupPopup::openPages()
{
    const std::function<QString()> open = std::exchange(m_openPages, {});
    if (!open || !isVisible())
        return;
    const QString message = open();
    if (!message.isEmpty()) {
        showMessage(message);
        Accessibility::announce(this, message);
        return;
    }
    m_toMainWindow->setEnabled(m_pages->count() > 0);
    // Tab goes on from the header into the page.
    if (m_pages->count() > 0)
        m_pages->currentWidget()->setFocus(Qt::PopupFocusReason);
}

void LookupPopup::setPinned(bool pinned)
{
    if (pinned == m_pinned)
        return;
    m_pinned = pinned;
    m_pin->setChecked(pinned);
    const bool shown = isVisible();
    const QRect geometry = this->geometry();
    applyWindowKind();
    if (shown) {
        setGeometry(geometry);
        show();
        activateWindow();
    }
}

void LookupPopup::setChosenSize(QSize size)
{
    m_chosenSize = size.expandedTo(MainWindowSettings::PopupChoices::minimumSize);
}

// Unpinned it is a tool window without a frame, above the others; pinned, a window of its
// own with the window manager's frame to move and size it by.
void LookupPopup::applyWindowKind()
{
    m_changingKind = true;
    setWindowFlags(m_pinned ? Qt::Window | Qt::WindowStaysOnTopHint
                            : Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    m_changingKind = false;
}

void LookupPopup::changeEvent(QEvent* event)
{
    QFrame::changeEvent(event);
    // Turning to another window, or clicking outside, which does the same.
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        QTimer::singleShot(0, this, &LookupPopup::closeUnlessPinned);
}

// Asked once the activation has settled: a menu of the page's own comes and goes.
void LookupPopup::closeUnlessPinned()
{
    if (!m_pinned && isVisible() && !isActiveWindow() && !QApplication::activePopupWidget())
        close();
}

void LookupPopup::hideEvent(QHideEvent* event)
{
    QFrame::hideEvent(event);
    // The popup's window is made anew when it is pinned or unpinned; its pages stay then.
    if (m_changingKind || event->spontaneous())
        return;
    m_openPages = {};
    m_tabs->closeAll();
    emit hidden();
}

void LookupPopup::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    if (m_pinned && isVisible())
        m_chosenSize = size();
}
