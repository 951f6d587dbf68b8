#pragma once
#include <QPointer>
#include <cstdint>

#include "comms/core/adporttypes.h"
#include "comms/core/tapdbasecomponent.h"
#include "comms/serial/tapdcustomcomport.h"
#include "comms/widgets/tlightset.h"


// Watches a port through status, data and timer triggers and switches the lamps of Lights:
// CTS, DSR and DCD follow the lines; RING, TXD, RXD, ERROR and BREAK light on their event and
// go dark after their off-time (in ticks). The port's own avail, status and timer handlers are
// chained, not replaced. Monitoring switched on while the port is closed starts when it opens.
// GUI thread only (the port delivers its trigger events there).
class TApdCustomSLController : public TApdBaseComponent {
    Q_OBJECT
public:
    // The first port among the owner's components becomes ComPort.
    explicit TApdCustomSLController(QObject* owner = nullptr);
    ~TApdCustomSLController() override;

    TApdCustomComPort* ComPort() const { return m_port; }
    void SetComPort(TApdCustomComPort* port);

    bool Monitoring() const { return m_monitoring; }
    // Raises EPortNotAssigned without a port. A failed trigger set-up leaves monitoring off
    // and passes the error on.
    void SetMonitoring(bool value);

    int32_t ErrorOffTimeout = 36;
    int32_t BreakOffTimeout = 36;
    int32_t RXDOffTimeout = 1;
    int32_t TXDOffTimeout = 1;
    int32_t RingOffTimeout = 8;

    TLightSet Lights;

    // All lamps dark; while monitoring an open port CTS, DSR and DCD show the lines.
    void InitLights();

    // The trigger events as the port delivers them.
    void StatTriggerAvail(TApdCustomComPort* port, uint16_t count);
    void StatTriggerStatus(TApdCustomComPort* port, uint16_t handle);
    void StatTriggerTimer(TApdCustomComPort* port, uint16_t handle);
    void StatPortClose(QObject* port, bool opening);

    // After loading from a stored layout: join the stored port.
    void Loaded();
    // A port entering the owner while none is set becomes the port; the port or a lamp
    // leaving it is let go.
    void Notification(QObject* component, TOperation operation) override;

private:
    void StartMonitoring();
    void StopMonitoring();
    void AddTriggers();
    void RemoveTriggers();
    void Light(TApdCustomStatusLight* lamp, bool lit);
    void FollowLines();
    void Attach();
    void Detach();

    QPointer<TApdCustomComPort> m_port;
    bool m_monitoring = false;
    bool m_pending = false;

    TTriggerAvailEvent m_savedAvail;
    TTriggerStatusEvent m_savedStatus;
    TTriggerTimerEvent m_savedTimer;

    uint16_t m_modemMask = 0;
    int m_modemTrigger = 0;
    int m_lineErrorTrigger = 0;
    int m_breakTrigger = 0;
    int m_outSentTrigger = 0;
    int m_errorTimer = 0;
    int m_breakTimer = 0;
    int m_rxdTimer = 0;
    int m_txdTimer = 0;
    int m_ringTimer = 0;
};

class TApdSLController : public TApdCustomSLController {
    Q_OBJECT
public:
    using TApdCustomSLController::TApdCustomSLController;
};
