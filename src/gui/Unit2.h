#pragma once

#include <QWidget>

// The small window the button tool bar floats in once it is dragged off the cool bar.
class TfrmFloating : public QWidget {
    Q_OBJECT

public:
    explicit TfrmFloating(QWidget* parent = nullptr);

    void FormClose(QObject* Sender, bool& allowClose);
    void FormDockDrop(QObject* Sender, QWidget* Source);

protected:
    void closeEvent(QCloseEvent* event) override;
};
