// A minimal host for the virtual mouse tests: builds command reports and performs paced
// transfers the way the device link does, straight on the hidapi calls.
#pragma once

#include <hidapi.h>

#include <string>
#include <vector>

namespace simhost {

using Bytes = std::vector<unsigned char>;

// The 9-byte feature report of a command; with `checksum`, byte 8 = 255 - sum(1..7) mod 256.
Bytes command(std::initializer_list<int> bytes1to7, bool checksum, int last = 0);

hid_device *openCommand(int id);
hid_device *openEvent(int id);

// Feature report, 32 ms, data in reports of reportLength + 1 bytes, 32 ms: as the device link does.
bool writeTransfer(hid_device *dev, const Bytes &feature, const Bytes &data, int reportLength);
void pause32();

std::string trace();
// The trace lines that contain `needle`.
std::vector<std::string> lines(const std::string &needle);

} // namespace simhost
