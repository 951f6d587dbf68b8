#pragma once
#include <gtest/gtest.h>
#include <memory>

#include "app/setlanguage.h"
#include "data/stationsettings.h"
#include "device/programstate.h"
#include "device/tfrmrsconfig.h"
#include "platform/gui/dialogs.h"

// The RS-232 window's tests start from English texts, neither service mode nor the project
// tool, and scripted boxes; the station's port comes back after each. A fixture opens the
// window once what the window meets at its creation is set up.
class RsConfigFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetLanguage(1);
        ServiceMode = false;
        ProjectToolRunning = false;
        savedPort = CurrentStation.PortNumber;
        platform::DialogScript::begin();
    }
    void TearDown() override
    {
        w.reset();
        platform::DialogScript::end();
        ServiceMode = false;
        ProjectToolRunning = false;
        CurrentStation.PortNumber = savedPort;
    }

    void openWindow()
    {
        w = std::make_unique<TfrmRSConfig>();
        frmRSConfig = w.get();
    }

    std::unique_ptr<TfrmRSConfig> w;
    int32_t savedPort = 1;
};
