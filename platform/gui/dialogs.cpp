#include "platform/gui/dialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include "platform/gui/eventwait.h"

namespace platform {

namespace {
bool g_scripted = false;
std::deque<int> g_answers;
std::vector<ShownDialog> g_shown;

int defaultAnswer(unsigned buttons)
{
    if (buttons & mbOK) return mrOk;
    if (buttons & mbYes) return mrYes;
    if (buttons & mbRetry) return mrRetry;
    if (buttons & mbCancel) return mrCancel;
    if (buttons & mbNo) return mrNo;
    if (buttons & mbAbort) return mrAbort;
    if (buttons & mbIgnore) return mrIgnore;
    return mrOk;
}

// A closing program opens no box: nobody may be there to answer it. The text goes to the
// error output instead, and the box takes the answer that starts nothing.
int NotShownWhileClosing(const QString& text, unsigned buttons)
{
    qWarning("%s", qPrintable(text));
    for (const auto& [bit, result] : {std::pair{mbCancel, mrCancel}, {mbNo, mrNo}, {mbAbort, mrAbort}})
        if (buttons & bit)
            return result;
    return mrOk;
}

DialogCaptions& captions()
{
    static DialogCaptions c;
    return c;
}
}  // namespace

void SetDialogCaptions(const DialogCaptions& c) { captions() = c; }

QString AppTitle()
{
    const QString& t = captions().application;
    return t.isEmpty() ? QCoreApplication::applicationName() : t;
}

void DialogScript::begin()
{
    g_scripted = true;
    g_answers.clear();
    g_shown.clear();
}

void DialogScript::end()
{
    g_scripted = false;
    g_answers.clear();
}

bool DialogScript::active() { return g_scripted; }
void DialogScript::answer(int modalResult) { g_answers.push_back(modalResult); }
const std::vector<ShownDialog>& DialogScript::shown() { return g_shown; }
void DialogScript::clearShown() { g_shown.clear(); }

int DialogScript::take(const ShownDialog& d)
{
    ShownDialog rec = d;
    if (!g_answers.empty()) {
        rec.result = g_answers.front();
        g_answers.pop_front();
    } else {
        rec.result = defaultAnswer(d.buttons);
    }
    g_shown.push_back(rec);
    return rec.result;
}

int MessageDlg(const QString& text, MsgDlgType type, unsigned buttons)
{
    if (Closing())
        return NotShownWhileClosing(text, buttons);
    QString caption;
    switch (type) {
    case MsgDlgType::Warning: caption = captions().warning; break;
    case MsgDlgType::Error: caption = captions().error; break;
    case MsgDlgType::Information: caption = captions().information; break;
    case MsgDlgType::Confirmation: caption = captions().confirmation; break;
    case MsgDlgType::Custom: caption = AppTitle(); break;
    }
    if (DialogScript::active())
        return DialogScript::take({ShownDialog::Typed, caption, text, type, buttons, 0});

    QMessageBox box;
    box.setWindowTitle(caption);
    box.setTextFormat(Qt::PlainText);  // texts may come from a device: never markup or links
    box.setText(text);
    switch (type) {
    case MsgDlgType::Warning: box.setIcon(QMessageBox::Warning); break;
    case MsgDlgType::Error: box.setIcon(QMessageBox::Critical); break;
    case MsgDlgType::Information: box.setIcon(QMessageBox::Information); break;
    case MsgDlgType::Confirmation: box.setIcon(QMessageBox::Question); break;
    case MsgDlgType::Custom: box.setIcon(QMessageBox::NoIcon); break;
    }
    struct Map { unsigned bit; QMessageBox::StandardButton sb; int mr; };
    static const Map map[] = {
        {mbYes, QMessageBox::Yes, mrYes},       {mbNo, QMessageBox::No, mrNo},
        {mbOK, QMessageBox::Ok, mrOk},          {mbCancel, QMessageBox::Cancel, mrCancel},
        {mbAbort, QMessageBox::Abort, mrAbort}, {mbRetry, QMessageBox::Retry, mrRetry},
        {mbIgnore, QMessageBox::Ignore, mrIgnore},
    };
    QMessageBox::StandardButtons sbs;
    for (const Map& m : map)
        if (buttons & m.bit) sbs |= m.sb;
    if (!sbs) sbs = QMessageBox::Ok;
    box.setStandardButtons(sbs);
    const int r = box.exec();
    for (const Map& m : map)
        if (r == m.sb) return m.mr;
    return (buttons & mbCancel) ? mrCancel : mrNone;
}

void ShowMessage(const QString& text)
{
    if (Closing()) {
        NotShownWhileClosing(text, mbOK);
        return;
    }
    if (DialogScript::active()) {
        DialogScript::take({ShownDialog::Notice, AppTitle(), text, MsgDlgType::Custom, mbOK, 0});
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, AppTitle(), text, QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void AppMessageBox(const QString& text, const QString& caption)
{
    if (Closing()) {
        NotShownWhileClosing(text, mbOK);
        return;
    }
    if (DialogScript::active()) {
        DialogScript::take({ShownDialog::AppBox, caption, text, MsgDlgType::Custom, mbOK, 0});
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

}  // namespace platform
