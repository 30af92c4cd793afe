#include "tag/received_text.h"

// Process-wide rather than the dialog's, so that it is there, empty, before the window exists;
// it builds into the window's library, the only one that appends to it.
std::string g_strReceived;
