// What systemd is told about the running service, for a unit of
// Type=notify: that it is ready (the admin port is open), that it is
// stopping, and that it is alive, for the unit's watchdog (WatchdogSec=).
//
// Outside systemd (no NOTIFY_SOCKET in the environment) every call does
// nothing, and so does NotifyAlive when the unit has no watchdog. Every
// call may be made from any thread.
#pragma once

namespace sky {

void NotifyReady();
void NotifyStopping();

// Called wherever the daemon makes progress: the control loop at every tick
// and a pass between pilots and between the sorties it pauses after. Sends
// WATCHDOG=1 at most once a second, so that callers need not count.
void NotifyAlive();

}  // namespace sky
