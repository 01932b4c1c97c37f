#pragma once

// Tests that talk on the session bus run on a private one: the first call starts this test
// again under dbus-run-session and returns only if that failed (with the exit status to use).
// Returns 0 once running on the private bus.
int runOnPrivateBus(int argc, char *argv[]);

// Whether this process runs on the private bus that runOnPrivateBus started.
bool onPrivateBus();
