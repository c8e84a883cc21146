#pragma once

// The one hook each platform provides under the shared write loop of SerialWrite.cpp.

#include <cstddef>
#include <cstdint>

// One write call on the open port: the number of bytes written (possibly fewer than asked),
// or -1 when the port is closed or the call failed. Must not block longer than the platform's
// write time-out (about 1500 ms + 1 ms per byte).
int64_t ZephlarkSerialWriteOnce(const uint8_t* data, size_t length);
