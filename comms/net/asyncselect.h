#pragma once
#include "comms/net/winsocktable.h"

// The asynchronous selection behind WSAAsyncSelect, over level-triggered QSocketNotifiers:
// each Winsock event is delivered once and armed again only by the call that Winsock re-enables
// it with (recv for FD_READ, a blocked send for FD_WRITE, accept for FD_ACCEPT). A socket left
// unread therefore costs nothing while it waits. Events are delivered by calling the window
// from the notifier itself; nothing is queued by descriptor number, which Linux reuses at once.
// Used by the socket table only; user-interface thread.

// Selects Events for S (0 stops them); 0 or a Windows Sockets error number.
int AsyncSelect(TSocket S, HWND Wnd, uint32_t Msg, int32_t Events);
// Drops the selection of S; its notifiers are gone when this returns (call before close).
void AsyncSelectForget(TSocket S);
// S started connecting (PendingError 0) or failed at once (PendingError, delivered as
// FD_CONNECT from the event loop). False when S has no selection.
bool AsyncSelectConnecting(TSocket S, int PendingError);
void AsyncSelectListening(TSocket S);
void AsyncSelectRead(TSocket S);
void AsyncSelectWriteBlocked(TSocket S);
// Listener was accepted on (NewSocket < 0 when that failed); the new socket inherits the selection.
void AsyncSelectAccepted(TSocket Listener, TSocket NewSocket);
void AsyncSelectShutSend(TSocket S);
bool AsyncSelectSendShut(TSocket S);
