#pragma once

#include <QFrame>

class QVBoxLayout;

// A bar of bands, one control each, one row each, as high as its visible bands: a band
// whose control is hidden takes no room. The bar is never narrower than a visible band's
// control wants to be, so that a tool bar never hides its controls behind its overflow
// button while it is docked.
class TCoolBar : public QFrame {
    Q_OBJECT

public:
    explicit TCoolBar(QWidget* parent = nullptr);

    // The control becomes the last band.
    void addBand(QWidget* control);
    void removeBand(QWidget* control);
    int bandCount() const;
    QWidget* bandControl(int index) const;
    int bandIndexOf(const QWidget* control) const;

    QSize minimumSizeHint() const override;

private:
    QVBoxLayout* m_bands;
};
