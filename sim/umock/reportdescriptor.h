/* HID report descriptors of the mocked interfaces, as a mouse and its decoys describe them. */
#ifndef UMOCK_REPORTDESCRIPTOR_H
#define UMOCK_REPORTDESCRIPTOR_H

#include <vector>

namespace umock {

class ReportDescriptor
{
public:
    using Bytes = std::vector<unsigned char>;

    // A vendor collection with a 4-byte input report (the event interface).
    static Bytes eventInterface(unsigned short usagePage, unsigned short usage);
    // A vendor collection with 8-byte feature reports and input and output reports of
    // `reportLength` bytes, all without report IDs (the command interface).
    static Bytes commandInterface(unsigned short usagePage, unsigned short usage, int reportLength);
    // Both collections in one descriptor: one node, two usages.
    static Bytes combined(unsigned short usagePage, unsigned short usage, unsigned short usagePage2,
                          unsigned short usage2, int reportLength);
    static Bytes keyboard();
    // A consumer-control collection with a nested one, as headsets have.
    static Bytes headset();
};

} // namespace umock

#endif
