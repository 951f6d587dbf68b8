#include "comms/widgets/tapdslcontroller.h"

#include "comms/core/adexcept.h"
#include "comms/core/eapdexception.h"
#include "comms/serial/tapdcustomcomport.h"

namespace {

// Status trigger kinds and what they are armed with.
constexpr int KindModem = 1;
constexpr int KindLine = 2;
constexpr int KindOutSent = 5;
constexpr uint16_t LineErrors = 7;
constexpr uint16_t LineBreakMask = 8;

}  // namespace

TApdCustomSLController::TApdCustomSLController(QObject* owner) : TApdBaseComponent(owner)
{
    if (owner)
        m_port = SearchComPort(owner);
    Attach();
}

TApdCustomSLController::~TApdCustomSLController()
{
    if (m_monitoring && m_port)
        StopMonitoring();
    Detach();
}

void TApdCustomSLController::Attach()
{
    if (!m_port)
        return;
    m_port->RegisterUserCallback(this, [this](QObject* port, bool opening) { StatPortClose(port, opening); });
    // The port going away ends the watch.
    connect(m_port, &QObject::destroyed, this, [this] {
        m_monitoring = false;
        m_pending = false;
    });
}

void TApdCustomSLController::Detach()
{
    if (!m_port)
        return;
    m_port->DeregisterUserCallback(this);
    disconnect(m_port, nullptr, this, nullptr);
}

void TApdCustomSLController::Loaded()
{
    // The constructor may have joined the port already: one callback, not two.
    Detach();
    Attach();
}

void TApdCustomSLController::Notification(QObject* component, TOperation operation)
{
    if (operation == opInsert) {
        if (auto* port = qobject_cast<TApdCustomComPort*>(component); port && !m_port)
            SetComPort(port);
        return;
    }
    if (component && component == m_port) {
        if (m_monitoring)
            StopMonitoring();
        m_pending = false;
        Detach();
        m_port = nullptr;
    }
    for (QPointer<TApdCustomStatusLight>* lamp :
         {&Lights.CTSLight, &Lights.DSRLight, &Lights.DCDLight, &Lights.RINGLight, &Lights.TXDLight, &Lights.RXDLight,
          &Lights.ERRORLight, &Lights.BREAKLight})
        if (*lamp && *lamp == component)
            *lamp = nullptr;
}

void TApdCustomSLController::SetComPort(TApdCustomComPort* port)
{
    if (port == m_port)
        return;
    const bool was = m_monitoring || m_pending;
    if (m_monitoring && m_port)
        StopMonitoring();
    m_pending = false;
    Detach();
    m_port = port;
    Attach();
    if (was && m_port)
        SetMonitoring(true);
}

void TApdCustomSLController::SetMonitoring(bool value)
{
    if (IsLoading())
        return;
    if (value == m_monitoring && value == m_pending)
        return;
    if (!m_port)
        CheckException(this, ecPortNotAssigned);
    if (!m_port->Open()) {
        // Takes effect when the port opens; switching off again cancels that.
        m_pending = value;
        if (!value && m_monitoring)
            StopMonitoring();
        return;
    }
    m_pending = false;
    if (value == m_monitoring)
        return;
    if (value)
        StartMonitoring();
    else
        StopMonitoring();
}

void TApdCustomSLController::StartMonitoring()
{
    m_savedAvail = m_port->OnTriggerAvail();
    m_savedStatus = m_port->OnTriggerStatus();
    m_savedTimer = m_port->OnTriggerTimer();
    m_port->SetOnTriggerAvail([this](TApdCustomComPort* p, uint16_t n) { StatTriggerAvail(p, n); });
    m_port->SetOnTriggerStatus([this](TApdCustomComPort* p, uint16_t h) { StatTriggerStatus(p, h); });
    m_port->SetOnTriggerTimer([this](TApdCustomComPort* p, uint16_t h) { StatTriggerTimer(p, h); });
    m_monitoring = true;
    try {
        AddTriggers();
    } catch (...) {
        // Nothing of the watch stays behind.
        m_port->SetOnTriggerAvail(m_savedAvail);
        m_port->SetOnTriggerStatus(m_savedStatus);
        m_port->SetOnTriggerTimer(m_savedTimer);
        m_monitoring = false;
        InitLights();
        throw;
    }
    InitLights();
}

void TApdCustomSLController::StopMonitoring()
{
    m_monitoring = false;
    if (m_port) {
        m_port->SetOnTriggerAvail(m_savedAvail);
        m_port->SetOnTriggerStatus(m_savedStatus);
        m_port->SetOnTriggerTimer(m_savedTimer);
        RemoveTriggers();
    }
    m_savedAvail = nullptr;
    m_savedStatus = nullptr;
    m_savedTimer = nullptr;
    InitLights();
}

void TApdCustomSLController::AddTriggers()
{
    try {
        m_modemMask = 0;
        if (Lights.CTSLight)
            m_modemMask |= 0x10;
        if (Lights.DSRLight)
            m_modemMask |= 0x20;
        if (Lights.DCDLight)
            m_modemMask |= 0x80;
        if (Lights.RINGLight)
            m_modemMask |= 0x04;
        if (m_modemMask) {
            m_modemTrigger = m_port->AddStatusTrigger(KindModem);
            if (Lights.RINGLight)
                m_ringTimer = m_port->AddTimerTrigger();
            m_port->SetStatusTrigger(m_modemTrigger, m_modemMask, true);
        }
        if (Lights.ERRORLight) {
            m_lineErrorTrigger = m_port->AddStatusTrigger(KindLine);
            m_errorTimer = m_port->AddTimerTrigger();
            m_port->SetStatusTrigger(m_lineErrorTrigger, LineErrors, true);
        }
        if (Lights.BREAKLight) {
            m_breakTrigger = m_port->AddStatusTrigger(KindLine);
            m_breakTimer = m_port->AddTimerTrigger();
            m_port->SetStatusTrigger(m_breakTrigger, LineBreakMask, true);
        }
        if (Lights.RXDLight)
            m_rxdTimer = m_port->AddTimerTrigger();
        if (Lights.TXDLight) {
            m_outSentTrigger = m_port->AddStatusTrigger(KindOutSent);
            m_txdTimer = m_port->AddTimerTrigger();
            m_port->SetStatusTrigger(m_outSentTrigger, 0, true);
        }
    } catch (...) {
        RemoveTriggers();
        throw;
    }
}

void TApdCustomSLController::RemoveTriggers()
{
    for (int* h : {&m_modemTrigger, &m_ringTimer, &m_lineErrorTrigger, &m_errorTimer, &m_breakTrigger,
                   &m_breakTimer, &m_rxdTimer, &m_outSentTrigger, &m_txdTimer}) {
        if (*h > 0 && m_port) {
            try {
                m_port->RemoveTrigger(*h);
            } catch (...) {
                // A closed port has dropped its triggers already.
            }
        }
        *h = 0;
    }
}

void TApdCustomSLController::Light(TApdCustomStatusLight* lamp, bool lit)
{
    if (lamp)
        lamp->SetLit(lit);
}

void TApdCustomSLController::FollowLines()
{
    Light(Lights.CTSLight, m_port->CTS());
    Light(Lights.DSRLight, m_port->DSR());
    Light(Lights.DCDLight, m_port->DCD());
}

void TApdCustomSLController::InitLights()
{
    for (TApdCustomStatusLight* lamp : {Lights.CTSLight.data(), Lights.DSRLight.data(), Lights.DCDLight.data(),
                                        Lights.RINGLight.data(), Lights.TXDLight.data(), Lights.RXDLight.data(),
                                        Lights.ERRORLight.data(), Lights.BREAKLight.data()})
        Light(lamp, false);
    if (m_monitoring && m_port && m_port->Open())
        FollowLines();
}

void TApdCustomSLController::StatTriggerStatus(TApdCustomComPort* port, uint16_t handle)
{
    if (m_monitoring && m_port) {
        if (m_modemTrigger > 0 && handle == m_modemTrigger) {
            FollowLines();
            if (m_port->DeltaRI() && Lights.RINGLight && !Lights.RINGLight->Lit()) {
                Lights.RINGLight->SetLit(true);
                m_port->SetTimerTrigger(m_ringTimer, RingOffTimeout, true);
            }
            m_port->SetStatusTrigger(m_modemTrigger, m_modemMask, true);
        } else if (m_lineErrorTrigger > 0 && handle == m_lineErrorTrigger) {
            Light(Lights.ERRORLight, true);
            m_port->SetTimerTrigger(m_errorTimer, ErrorOffTimeout, true);
            m_port->LineError();
        } else if (m_breakTrigger > 0 && handle == m_breakTrigger) {
            Light(Lights.BREAKLight, true);
            m_port->SetTimerTrigger(m_breakTimer, BreakOffTimeout, true);
            m_port->LineBreak();
        } else if (m_outSentTrigger > 0 && handle == m_outSentTrigger) {
            Light(Lights.TXDLight, true);
            m_port->SetTimerTrigger(m_txdTimer, TXDOffTimeout, true);
        }
    }
    if (m_savedStatus)
        m_savedStatus(port, handle);
}

void TApdCustomSLController::StatTriggerAvail(TApdCustomComPort* port, uint16_t count)
{
    if (m_monitoring && m_port && Lights.RXDLight && !Lights.RXDLight->Lit()) {
        Lights.RXDLight->SetLit(true);
        m_port->SetTimerTrigger(m_rxdTimer, RXDOffTimeout, true);
    }
    if (m_savedAvail)
        m_savedAvail(port, count);
}

void TApdCustomSLController::StatTriggerTimer(TApdCustomComPort* port, uint16_t handle)
{
    if (m_monitoring && m_port) {
        if (m_errorTimer > 0 && handle == m_errorTimer) {
            Light(Lights.ERRORLight, false);
            m_port->SetStatusTrigger(m_lineErrorTrigger, LineErrors, true);
        } else if (m_breakTimer > 0 && handle == m_breakTimer) {
            Light(Lights.BREAKLight, false);
            m_port->SetStatusTrigger(m_breakTrigger, LineBreakMask, true);
        } else if (m_rxdTimer > 0 && handle == m_rxdTimer) {
            if (m_port->InBuffUsed() > 0)
                m_port->SetTimerTrigger(m_rxdTimer, RXDOffTimeout, true);
            else
                Light(Lights.RXDLight, false);
        } else if (m_txdTimer > 0 && handle == m_txdTimer) {
            if (m_port->OutBuffUsed() > 0) {
                m_port->SetTimerTrigger(m_txdTimer, TXDOffTimeout, true);
            } else {
                Light(Lights.TXDLight, false);
                m_port->SetStatusTrigger(m_outSentTrigger, 0, true);
            }
        } else if (m_ringTimer > 0 && handle == m_ringTimer) {
            Light(Lights.RINGLight, false);
        }
    }
    if (m_savedTimer)
        m_savedTimer(port, handle);
}

void TApdCustomSLController::StatPortClose(QObject*, bool opening)
{
    if (opening) {
        if (m_pending) {
            m_pending = false;
            try {
                StartMonitoring();
            } catch (...) {
                // Triggers that cannot be set up leave the lights off; the port stays open.
            }
        }
        return;
    }
    if (m_monitoring) {
        m_pending = true;
        StopMonitoring();
    }
}
