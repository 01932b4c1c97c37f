#include "sim/umock/reportdescriptor.h"

namespace umock {

namespace {

using Bytes = ReportDescriptor::Bytes;

void add(Bytes &d, std::initializer_list<unsigned char> items)
{
    d.insert(d.end(), items);
}

void usagePage(Bytes &d, unsigned short page)
{
    if (page > 0xff)
        add(d, {0x06, static_cast<unsigned char>(page & 0xff), static_cast<unsigned char>(page >> 8)});
    else
        add(d, {0x05, static_cast<unsigned char>(page)});
}

void usage(Bytes &d, unsigned short u)
{
    if (u > 0xff)
        add(d, {0x0a, static_cast<unsigned char>(u & 0xff), static_cast<unsigned char>(u >> 8)});
    else
        add(d, {0x09, static_cast<unsigned char>(u)});
}

// Byte-wide fields of `count` bytes: main item 0x81 input, 0x91 output, 0xb1 feature.
void bytes(Bytes &d, unsigned char mainItem, int count)
{
    add(d, {0x09, 0x00, 0x15, 0x00, 0x26, 0xff, 0x00, 0x75, 0x08});
    if (count > 0xff)
        add(d, {0x96, static_cast<unsigned char>(count & 0xff), static_cast<unsigned char>(count >> 8)});
    else
        add(d, {0x95, static_cast<unsigned char>(count)});
    add(d, {mainItem, 0x02});
}

void eventCollection(Bytes &d, unsigned short page, unsigned short u)
{
    usagePage(d, page);
    usage(d, u);
    add(d, {0xa1, 0x01});
    bytes(d, 0x81, 4);
    add(d, {0xc0});
}

void commandCollection(Bytes &d, unsigned short page, unsigned short u, int reportLength)
{
    usagePage(d, page);
    usage(d, u);
    add(d, {0xa1, 0x01});
    bytes(d, 0xb1, 8);
    bytes(d, 0x81, reportLength);
    bytes(d, 0x91, reportLength);
    add(d, {0xc0});
}

} // namespace

Bytes ReportDescriptor::eventInterface(unsigned short page, unsigned short u)
{
    Bytes d;
    eventCollection(d, page, u);
    return d;
}

Bytes ReportDescriptor::commandInterface(unsigned short page, unsigned short u, int reportLength)
{
    Bytes d;
    commandCollection(d, page, u, reportLength);
    return d;
}

Bytes ReportDescriptor::combined(unsigned short page, unsigned short u, unsigned short page2,
                                 unsigned short u2, int reportLength)
{
    Bytes d;
    commandCollection(d, page, u, reportLength);
    eventCollection(d, page2, u2);
    return d;
}

Bytes ReportDescriptor::keyboard()
{
    // Generic desktop / keyboard: modifiers, a reserved byte, six key codes, the LEDs.
    return {0x05, 0x01, 0x09, 0x06, 0xa1, 0x01, 0x05, 0x07, 0x19, 0xe0, 0x29, 0xe7, 0x15, 0x00,
            0x25, 0x01, 0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0x95, 0x01, 0x75, 0x08, 0x81, 0x01,
            0x95, 0x05, 0x75, 0x01, 0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x91, 0x02, 0x95, 0x01,
            0x75, 0x03, 0x91, 0x01, 0x95, 0x06, 0x75, 0x08, 0x15, 0x00, 0x25, 0x65, 0x05, 0x07,
            0x19, 0x00, 0x29, 0x65, 0x81, 0x00, 0xc0};
}

Bytes ReportDescriptor::headset()
{
    // Consumer control with volume and mute, and a logical sub-collection.
    return {0x05, 0x0c, 0x09, 0x01, 0xa1, 0x01, 0x15, 0x00, 0x25, 0x01, 0x09, 0xe9, 0x09, 0xea,
            0x09, 0xe2, 0x75, 0x01, 0x95, 0x03, 0x81, 0x02, 0x09, 0x36, 0xa1, 0x02, 0x75, 0x05,
            0x95, 0x01, 0x81, 0x01, 0xc0, 0xc0};
}

} // namespace umock
