#pragma once
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

#include "data/stationsettings.h"
#include "app/mainformhvtk.h"
#include "app/startup.h"
#include "app/texts/sprachen.h"
#include "app/windows/tfrmstatedit.h"
#include "app/windows/tfrmstation.h"
#include "platform/gui/dialogs.h"
#include "platform/core/inifile.h"
#include "platform/core/settingsfile.h"

// The whole program's windows on a settings file of the test's own, in a folder of its own
// (also the current directory, hence the data directory of a first start). Message boxes are
// scripted; modal windows are driven by the steps the test gives.
class AppFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        savedCwd = QDir::currentPath();
        QDir::setCurrent(dir.path());
        iniPath = dir.filePath("qwlview.INI");
        platform::SetSettingsFilePath(iniPath);
        platform::DialogScript::begin();
        CurrentStation = TStationSettings{};
        InitLanguageTexts();
    }

    void TearDown() override
    {
        if (MainFormHvtk)
            DestroyForms();
        platform::DialogScript::end();
        platform::SetSettingsFilePath(QString());
        QDir::setCurrent(savedCwd);
        CurrentStation = TStationSettings{};
    }

    void writeIni(const QByteArray& text)
    {
        QFile f(iniPath);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }

    QByteArray iniBytes() const
    {
        QFile f(iniPath);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // Every 10 ms the step for the window in front runs, at most 500 times; after that every
    // modal window is cancelled so a failing test cannot hang.
    void driveModals(std::function<void(QWidget*)> step)
    {
        auto* t = new QTimer(qApp);
        auto ticks = std::make_shared<int>(0);
        QObject::connect(t, &QTimer::timeout, [t, ticks, step] {
            QWidget* w = QApplication::activeModalWidget();
            if (++*ticks > 500) {
                if (w)
                    w->close();
                else
                    t->deleteLater();
                return;
            }
            if (w)
                step(w);
        });
        t->start(10);
        driver = t;
    }

    void stopDriving()
    {
        if (driver)
            driver->deleteLater();
        driver = nullptr;
    }

    // Creates the windows and shows the main window as the program does.
    void start()
    {
        CreateForms();
        MainFormHvtk->show();
        stopDriving();
    }

    void closeMain()
    {
        MainFormHvtk->close();
    }

    QString iniValue(const char* section, const char* key) const
    {
        return IniFile(iniPath).ReadString(section, key, "<missing>");
    }

    QTemporaryDir dir;
    QString iniPath;
    QString savedCwd;
    QTimer* driver = nullptr;
};
