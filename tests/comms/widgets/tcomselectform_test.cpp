#include "comms/serial/portprompt.h"
#include "comms/serial/serialdevice.h"
#include "comms/widgets/tcomselectform.h"
#include "peers/ptypair.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>

namespace {

// COM1 and COM3 are ptys, every other number points nowhere.
class PortDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int n = 1; n <= 50; ++n)
            ::setenv(("QWLVIEW_COM" + std::to_string(n)).c_str(), "/nonexistent/qwlview-port", 1);
        com1.exportAs(1);
        com3.exportAs(3);
        UseDispatcherForAvail = true;
        ShowPortsInUse = true;
    }
    void TearDown() override
    {
        for (int n = 1; n <= 50; ++n)
            ::unsetenv(("QWLVIEW_COM" + std::to_string(n)).c_str());
        UseDispatcherForAvail = true;
        ShowPortsInUse = true;
        SetPortPrompt(nullptr);
    }
    static QStringList entries(const TComSelectForm& f)
    {
        QStringList out;
        for (int i = 0; i < f.PortsComboBox->count(); ++i)
            out << f.PortsComboBox->itemText(i);
        return out;
    }
    PtyPair com1, com3;
};

}  // namespace

TEST_F(PortDialogTest, ListsThePresentPortsWithItsFixedTexts)
{
    EXPECT_FALSE(IsPortAvailable(0));
    EXPECT_TRUE(IsPortAvailable(1));
    EXPECT_FALSE(IsPortAvailable(2));
    EXPECT_TRUE(IsPortAvailable(3));

    TComSelectForm form;
    EXPECT_EQ(form.windowTitle(), "Select Port");
    EXPECT_EQ(form.Label1->text(), "The configured serial port is not valid.");
    EXPECT_EQ(form.Label2->text(), "Please choose another port.");
    EXPECT_EQ(form.OkBtn->text(), "OK");
    EXPECT_EQ(form.AbortBtn->text(), "Cancel");
    EXPECT_TRUE(form.OkBtn->isDefault());
    EXPECT_EQ(entries(form), (QStringList{"COM1", "COM3"}));
    EXPECT_EQ(form.SelectedCom(), "COM1");
    EXPECT_EQ(form.SelectedComNum(), 1);
}

TEST_F(PortDialogTest, PortInUseCountsAsPresentOnlyWhenAllowed)
{
    SerialDevice holder;
    ASSERT_EQ(holder.Open(com3.slavePath()), 0);
    for (bool viaDispatcher : {true, false}) {
        UseDispatcherForAvail = viaDispatcher;
        ShowPortsInUse = true;
        EXPECT_TRUE(IsPortAvailable(3)) << viaDispatcher;
        ShowPortsInUse = false;
        EXPECT_FALSE(IsPortAvailable(3)) << viaDispatcher;
        EXPECT_TRUE(IsPortAvailable(1)) << viaDispatcher;
        EXPECT_FALSE(IsPortAvailable(2)) << viaDispatcher;
    }
}

TEST_F(PortDialogTest, EmptyListSelectsNothing)
{
    ::setenv("QWLVIEW_COM1", "/nonexistent/qwlview-port", 1);
    ::setenv("QWLVIEW_COM3", "/nonexistent/qwlview-port", 1);
    TComSelectForm form;
    EXPECT_EQ(form.PortsComboBox->count(), 0);
    EXPECT_EQ(form.PortsComboBox->currentIndex(), -1);
    EXPECT_EQ(form.SelectedCom(), "");
    EXPECT_EQ(form.SelectedComNum(), 0);
}

TEST_F(PortDialogTest, SelectedNumberIsReadFromTheFourthCharacter)
{
    TComSelectForm form;
    form.PortsComboBox->addItem("COM12");
    form.PortsComboBox->setCurrentIndex(form.PortsComboBox->count() - 1);
    EXPECT_EQ(form.SelectedComNum(), 12);
}

TEST_F(PortDialogTest, PromptReturnsTheChosenPortOrZeroOnCancel)
{
    InstallComSelectPrompt();
    auto pick = [](const char* entry, bool ok) {
        QTimer::singleShot(0, [=] {
            auto* form = qobject_cast<TComSelectForm*>(QApplication::activeModalWidget());
            ASSERT_NE(form, nullptr);
            form->PortsComboBox->setCurrentIndex(form->PortsComboBox->findText(entry));
            (ok ? form->OkBtn : form->AbortBtn)->click();
        });
    };
    pick("COM3", true);
    EXPECT_EQ(RunPortPrompt(), 3);
    pick("COM3", false);
    EXPECT_EQ(RunPortPrompt(), 0);
    SetPortPrompt(nullptr);
    EXPECT_EQ(RunPortPrompt(), 0);
}
