#pragma once

#include <QWidget>

// The small window the button tool bar floats in once it is dragged off the cool bar.
class TfrmFloating : public QWidget {
    Q_OBJECT

public:
    explicit TfrmFloating(QWidget* parent = nullptr);

    void FormClose(QObject* Sender, bool& allowClose);
    void FormDockDrop(QObject* Sender, QWidget* Source);

    // The height of the caption the window draws itself where nothing else frames it; 0
    // under a window manager.
    int captionHeight() const { return contentsMargins().top(); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
};
