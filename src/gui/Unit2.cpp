#include "Unit2.h"

#include <QCloseEvent>
#include <QToolBar>
#include <QVBoxLayout>

TfrmFloating::TfrmFloating(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("frmFloating"));
    resize(658, 65);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

void TfrmFloating::FormClose(QObject*, bool& allowClose)
{
    allowClose = false;
}

void TfrmFloating::FormDockDrop(QObject*, QWidget* Source)
{
    layout()->addWidget(Source);
    show();
}

void TfrmFloating::closeEvent(QCloseEvent* event)
{
    bool allowClose = true;
    FormClose(this, allowClose);
    event->setAccepted(allowClose);
}
