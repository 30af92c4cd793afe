#pragma once
// The device's answer as it accumulates: one character per received byte, zero bytes included.
// Only the window's thread touches it; OnRxNotify appends, the tag operations empty and read it.

#include <string>

extern std::string g_strReceived;
