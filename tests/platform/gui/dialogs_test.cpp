#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>

#include "platform/gui/dialogs.h"

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

// Each kind of box, shown for real, shows a hostile device reply as plain text: no link, image or heading.
TEST(DialogBoxes, DeviceTextIsShownAsPlainText)
{
    const QString hostile = QStringLiteral("Ftp Error: 530 <a href=\"file:///etc/passwd\">click here</a>"
                                           "<img src=\"file:///etc/hostname\"><h1>Device locked</h1>");
    QStringList shown;
    QTimer poll;  // closes each box it finds; the test's time-out ends a box that never comes
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
            shown << (label && label->textFormat() == Qt::PlainText ? label->text() : QStringLiteral("rich"));
            box->buttons().first()->click();
        }
    });
    poll.start(10);
    MessageDlg(hostile, MsgDlgType::Confirmation, mbAbort | mbRetry);
    ShowMessage(hostile);
    AppMessageBox(hostile, "Error");
    EXPECT_EQ(shown, QStringList({hostile, hostile, hostile}));
}
