// The packet manager's side that talks to its port and the port's dispatcher.
#include "comms/tapddatapacket.h"
#include "comms/tapddatapacketmanager.h"

void TApdDataPacketManager::AttachPort() {}
void TApdDataPacketManager::DetachPort() {}
bool TApdDataPacketManager::PortIsOpen() const { return false; }
bool TApdDataPacketManager::PortIsLoading() const { return false; }
int32_t TApdDataPacketManager::InstallHandler() { return 0; }
void TApdDataPacketManager::RemoveHandler(int32_t) {}
int32_t TApdDataPacketManager::TakeBytes(uint8_t*, int32_t) { return 0; }
int32_t TApdDataPacketManager::SetCaptureTimer(int32_t, int32_t, bool) { return 0; }
void TApdDataPacketManager::LogPacket(TPacketLogStep, const TApdDataPacket*, const char*, int32_t) {}
