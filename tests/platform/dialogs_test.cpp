#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <functional>

#include "platform/dialogs.h"

using namespace platform;

TEST(DialogScript, RecordsBoxesAndHandsOutQueuedAnswersThenDefaults)
{
    DialogScript::begin();
    DialogScript::answer(mrAbort);
    EXPECT_EQ(MessageDlg("retry?", MsgDlgType::Confirmation, mbAbort | mbRetry), mrAbort);
    EXPECT_EQ(MessageDlg("again?", MsgDlgType::Confirmation, mbAbort | mbRetry), mrRetry);
    AppMessageBox("Error reading file: x", "Error");
    ASSERT_EQ(DialogScript::shown().size(), 3u);
    EXPECT_EQ(DialogScript::shown()[2].caption, "Error");
    EXPECT_EQ(DialogScript::shown()[2].kind, ShownDialog::AppBox);
    DialogScript::end();
}

// Shown for real, each kind of box shows a device's hostile reply as the plain text it is:
// no link to click, no local image, no heading.
TEST(DialogBoxes, DeviceTextIsShownAsPlainText)
{
    const QString hostile = QStringLiteral("Ftp Error: 530 <a href=\"file:///etc/passwd\">click here</a>"
                                           "<img src=\"file:///etc/hostname\"><h1>Device locked</h1>");
    const std::function<void()> boxes[] = {
        [&] { MessageDlg(hostile, MsgDlgType::Confirmation, mbAbort | mbRetry); },
        [&] { ShowMessage(hostile); },
        [&] { AppMessageBox(hostile, "Error"); },
    };
    for (const auto& show : boxes) {
        QList<Qt::TextFormat> formats;
        QStringList texts;
        QTimer poll;
        int polls = 0;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box) {
                const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
                formats << (label ? label->textFormat() : box->textFormat());
                texts << (label ? label->text() : QString());
            }
            if (box)
                box->buttons().first()->click();
            else if (++polls > 500)  // bounded: about 5 s without a box
                poll.stop();
        });
        poll.start(10);
        show();
        poll.stop();
        ASSERT_EQ(formats.size(), 1);
        EXPECT_EQ(formats[0], Qt::PlainText);
        EXPECT_EQ(texts[0], hostile);
    }
}
