#pragma once

#include "sim/vmousestate.h"

// Asks the device link for a check and waits for one whose result is `family` (-1: none).
// A check queued earlier (a tray click, a device notice) may still be answered first with
// the state from before the mouse was plugged or unplugged; such answers are skipped.
bool checkFindsFamily(int family, int timeoutMs = 5000);
// Unplugs every virtual mouse, plugs one of `family` (none for -1) and checks as above;
// `mouse` receives the plugged mouse's id (-1 for none).
bool replugAndCheck(int family, int *mouse = nullptr);

// Asks the mouse for its DPI level and waits for the answer, which comes after every command
// queued before it. False without a mouse or without an answer.
bool mouseDrained();
// What virtual mouse `id` holds now (all zero for an unknown id).
vmouse_state mouseState(int id);
