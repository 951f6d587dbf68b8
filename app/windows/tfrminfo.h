#pragma once
#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

// The devices' maker, set here when the program is branded for one: its web site (the
// information window's link) and the address the log window's mail goes to.
inline constexpr const char* kMakerWebAddress = "https://www.example.com/";
inline constexpr const char* kMakerMailAddress = "info@example.com";

// Program information: product name, version and the devices' maker's web address, which
// opens in the desktop's browser when clicked. Texts come from SetLanguage.
class TfrmInfo : public QDialog {
    Q_OBJECT
public:
    explicit TfrmInfo(QWidget* owner = nullptr);

    // The address shown in lblWebServer.
    static QString WebAddress();

    void lblWebServerMouseDown();

    QPushButton* bbtOk = nullptr;
    QFrame* Panel1 = nullptr;
    QLabel* ImageKzq = nullptr;
    QLabel* lblProdName = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblWebServer = nullptr;

    void done(int r) override;

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

extern TfrmInfo* frmInfo;
// Gives the window its texts in a language (0 German, 1 English); nothing while it does not exist.
void ApplyTextsInfo(int lang);
