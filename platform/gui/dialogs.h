#pragma once
#include <QString>
#include <deque>
#include <vector>

// Message boxes and typed dialogs of the program. Every box goes through here so that
// tests can script the answers and read what was shown instead of blocking on a window.
// Once the program is closing (eventwait.h) no box opens: its text goes to the error output
// and it answers Cancel, No or Abort where it offers one (else OK).
namespace platform {

enum class MsgDlgType { Warning, Error, Information, Confirmation, Custom };

enum MsgDlgButton : unsigned {
    mbYes = 1u << 0,
    mbNo = 1u << 1,
    mbOK = 1u << 2,
    mbCancel = 1u << 3,
    mbAbort = 1u << 4,
    mbRetry = 1u << 5,
    mbIgnore = 1u << 6,
};

// Modal results, numbered as the dialogs of the program expect them.
enum ModalResult : int {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
};

// Captions in the program's language: the application title (of notices and of the exception
// box) and the typed dialogs' captions by type. Until set: no title, English captions.
struct DialogCaptions {
    QString application;
    QString warning = QStringLiteral("Warning");
    QString error = QStringLiteral("Error");
    QString information = QStringLiteral("Information");
    QString confirmation = QStringLiteral("Confirm");
};
void SetDialogCaptions(const DialogCaptions& captions);
// The application title; the application's name while none is set.
QString AppTitle();

// Typed dialog (icon by type) with the given buttons; returns the modal result.
int MessageDlg(const QString& text, MsgDlgType type, unsigned buttons);

// Plain notice with an OK button; the caption is the application title.
void ShowMessage(const QString& text);

// The application's message box with its own caption and an OK button.
void AppMessageBox(const QString& text, const QString& caption);

// One box as it was shown.
struct ShownDialog {
    enum Kind { Typed, Notice, AppBox } kind;
    QString caption;
    QString text;
    MsgDlgType type;
    unsigned buttons;
    int result;
};

// Test seam: while scripted, nothing is shown; each box takes the next queued answer
// (or its default: OK, Yes, Retry, in that order of preference) and is recorded.
class DialogScript {
public:
    static void begin();  // start scripting, clear answers and record
    static void end();
    static bool active();
    static void answer(int modalResult);  // queue one answer
    static const std::vector<ShownDialog>& shown();
    static void clearShown();

private:
    friend int MessageDlg(const QString&, MsgDlgType, unsigned);
    friend void ShowMessage(const QString&);
    friend void AppMessageBox(const QString&, const QString&);
    static int take(const ShownDialog& d);
};

}  // namespace platform
