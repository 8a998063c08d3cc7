#pragma once

#include <QDialog>
#include <QKeySequence>

class GlobalKey;
class QKeySequenceEdit;
class QLabel;

// Where the user sees and changes the popup's key: one key combination, or none. It says
// whether the desktop gave the program the key, and what to do where it cannot.
class PopupKeyDialog : public QDialog {
public:
    PopupKeyDialog(GlobalKey* key, QKeySequence defaultKey, QWidget* parent);

    QKeySequence chosenKey() const;

private:
    void keepFirstCombination();
    void showState();

    GlobalKey* m_key;
    QKeySequenceEdit* m_edit;
    QLabel* m_state;
};
