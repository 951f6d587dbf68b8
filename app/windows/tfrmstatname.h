#pragma once
#include <QDialog>

class QLineEdit;
class QPushButton;

// Entry of a name (a new folder's, for the directory chooser). Shown modally after Prepare;
// the caller reads edName after OK (1). Closing the window gives 2.
class TfrmStatName : public QDialog {
    Q_OBJECT
public:
    explicit TfrmStatName(QWidget* owner = nullptr);

    // Places the window 200 right of and 100 below (left, top) and presets the name.
    void Prepare(const QString& text, int left, int top);

    QLineEdit* edName = nullptr;
    QPushButton* bbtOk = nullptr;

    void done(int r) override;

private:
    bool m_ok = false;
};

extern TfrmStatName* frmStatName;
// Gives the window its texts in a language (0 German, 1 English); nothing while it does not exist.
void ApplyTextsStatName(int lang);
