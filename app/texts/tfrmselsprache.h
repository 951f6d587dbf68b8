#pragma once
#include <QDialog>
#include <cstdint>

class QPushButton;
class TRadioGroup;

// Choice of the user-interface language: item 0 German, 1 English. OK gives 1, Quit 2.
class TfrmSelSprache : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSelSprache(QWidget* owner = nullptr);

    void SetItemIndex(int8_t index);
    // Low byte of the selection: no selection (-1) gives 255, which SetLanguage refuses.
    uint8_t GetItemIndex() const;

    TRadioGroup* rdgSprachen = nullptr;
    QPushButton* bbtQuit = nullptr;
    QPushButton* bbtOk = nullptr;

    void reject() override;  // Esc and the close box: 2
};

extern TfrmSelSprache* frmSelSprache;
// Gives the window its texts in a language (0 German, 1 English); nothing while it does not exist.
void ApplyTextsSelSprache(int lang);
