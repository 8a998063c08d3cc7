// The result tabs of the main window: one tab per page a search opens, and the commands
// that move between them and close them.
#include "UnitMain.h"

#include "Application.h"
#include "WebBrowser.h"

#include <QComboBox>
#include <QTabWidget>
#include <QVBoxLayout>

QWidget* TfrmMain::AddResultPage()
{
    ++PageSerial;
    auto* tab = new QWidget(this);
    auto* layout = new QVBoxLayout(tab);
    layout->setContentsMargins(0, 0, 0, 0);
    PageControl1->addTab(tab, QString());
    scheduleActionUpdate();
    return tab;
}

TWebBrowser* TfrmMain::CreateResultBrowser(QWidget* tab, const QString& caption)
{
    PageControl1->setTabText(PageControl1->indexOf(tab), caption);
    tab->setProperty("Tag", PageSerial);
    auto* browser = new TWebBrowser(m_pageSettings, this);
    browser->setResizable(true);
    browser->setSilent(true);
    return browser;
}

TWebBrowser* TfrmMain::GetActiveWebBrowser() const
{
    if (PageControl1->count() == 0)
        return nullptr;
    const int tag = PageControl1->currentWidget()->property("Tag").toInt();
    TWebBrowser* result = nullptr;
    for (TWebBrowser* browser : findChildren<TWebBrowser*>())
        if (browser->Tag() == tag)
            result = browser;
    return result;
}

// When the active tab goes, the one after it takes its place; after the last, the first.
void TfrmMain::destroyTab(int index)
{
    // Qt would pick the tab before the last one; the first is chosen beforehand instead,
    // so that no other page is shown on the way.
    if (index == PageControl1->currentIndex() && index == PageControl1->count() - 1 && index > 0)
        PageControl1->setCurrentIndex(0);
    QWidget* tab = PageControl1->widget(index);
    PageControl1->removeTab(index);
    delete tab;
    scheduleActionUpdate();
}

void TfrmMain::CloseAllResultPages()
{
    for (int i = PageControl1->count() - 1; i >= 0; --i)
        destroyTab(i);
}

void TfrmMain::RefreshResultArea()
{
    PageControl1->setVisible(PageControl1->count() > 0);
    PnlWbAD->setVisible(PageControl1->isHidden());
    // The focus went with the last tab; typing goes on in the query box.
    if (PageControl1->isHidden())
        CmbBook->setFocus(Qt::OtherFocusReason);
}

void TfrmMain::ActPriorExecute(QObject*)
{
    const int i = PageControl1->currentIndex();
    if (i > 0)
        PageControl1->setCurrentIndex(i - 1);
}

void TfrmMain::ActNextExecute(QObject*)
{
    const int i = PageControl1->currentIndex();
    if (i < PageControl1->count() - 1)
        PageControl1->setCurrentIndex(i + 1);
}

void TfrmMain::ActCloseExecute(QObject*)
{
    try {
        delete GetActiveWebBrowser();
        if (PageControl1->count() > 0)
            destroyTab(PageControl1->currentIndex());
        RefreshResultArea();
    } catch (...) {
        // Closing a tab never bothers the user.
    }
}

void TfrmMain::ActCloseAllExecute(QObject*)
{
    if (!App::confirm(this, QStringLiteral("确实要关闭所有查询结果吗？")))
        return;
    CloseAllResultPages();
    RefreshResultArea();
}
