#include <gtest/gtest.h>

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
