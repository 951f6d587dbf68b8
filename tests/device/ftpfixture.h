#pragma once
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

#include "data/stationsettings.h"
#include "app/setlanguage.h"
#include "data/runtimetexts.h"
#include "comms/ftp/tapdftplog.h"
#include "comms/ftp/tapdftpclient.h"
#include "device/tdatamodftp.h"
#include "device/tfrmftptransfer.h"
#include "peers/dbbwriter.h"
#include "peers/ftpdevice.h"
#include "platform/gui/dialogs.h"

// The command layer and the transfer window against the simulated device, whose tree lies
// in device/, the data directory in outer/data (so anything written beside it shows).
class FtpFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetLanguage(0);
        platform::DialogScript::begin();
        saved = CurrentStation;
        CurrentStation = TStationSettings{};
        dataDir = outer.path() + QStringLiteral("/data");
        QDir().mkpath(dataDir);
        CurrentStation.InitialDir = dataDir;
        CurrentStation.RegionNumber = 1;
        CurrentStation.StationNumber = 5;
        CurrentStation.StationName = QStringLiteral("Hafen");
        CurrentStation.LoginName = QStringLiteral("kqv");
        CurrentStation.LoginPass = QStringLiteral("kqv");
        CurrentStation.IPAddress = QStringLiteral("127.0.0.1");
        DataModFtp = new TDataModFtp;
        if (withWindow) {
            frmFtpTransfer = new TfrmFtpTransfer;
            ApplyTextsFtpTransfer(0);
        }
    }
    void TearDown() override
    {
        if (frmFtpTransfer)
            frmFtpTransfer->hide();
        DataModFtp->FtpLogout(true);
        delete frmFtpTransfer;
        frmFtpTransfer = nullptr;
        delete DataModFtp;
        DataModFtp = nullptr;
        // A connection's windows are deleted later: not after the test's end.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        peer.reset();
        platform::DialogScript::end();
        CurrentStation = saved;
    }

    // Starts the device on the tree written so far.
    void startDevice()
    {
        peer = std::make_unique<FtpDevicePeer>(device.path());
        ASSERT_TRUE(peer->started()) << peer->error().toStdString();
        DataModFtp->ApdFtpClient->SetWsPort(QString::number(peer->port()));
    }

    // An hour file of the station on the device; returns its bytes.
    QByteArray deviceHour(int64_t utcStart, int station = 5)
    {
        dbbtest::HourFile f;
        f.utcStart = utcStart;
        f.station = station;
        const QByteArray bytes = dbbtest::HourFileBytes(f);
        dbbtest::WriteFile(device.path(), dbbtest::DeviceTreePath(utcStart), bytes);
        return bytes;
    }

    static QByteArray bytesOf(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    // Every file below dir, relative, sorted.
    static QStringList filesBelow(const QString& dir)
    {
        QStringList out;
        QDir root(dir);
        const std::function<void(const QString&)> walk = [&](const QString& sub) {
            const QDir d(root.filePath(sub));
            for (const QString& n : d.entryList(QDir::Files | QDir::Hidden))
                out << (sub.isEmpty() ? n : sub + u'/' + n);
            for (const QString& n : d.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden))
                walk(sub.isEmpty() ? n : sub + u'/' + n);
        };
        walk(QString());
        out.sort();
        return out;
    }

    QStringList shownTexts() const
    {
        QStringList out;
        for (const auto& d : platform::DialogScript::shown())
            out << d.text;
        return out;
    }

    bool withWindow = true;  // the transfer window exists beside the command layer
    QTemporaryDir outer, device;
    QString dataDir;
    std::unique_ptr<FtpDevicePeer> peer;
    TStationSettings saved;
};
