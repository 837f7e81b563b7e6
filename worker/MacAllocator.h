#pragma once

#include "MacAddress.h"

#include <QString>

// Where a worker gets its chips' MAC addresses from. The front end lends one
// to the worker (the engine keeps no storage of its own); the worker calls it
// on its own thread only.
class MacAllocator {
public:
    virtual ~MacAllocator() = default;

    // The next free chip address, held for this attempt; false with why when
    // none can be had (the pool is used up, or its store cannot be reached).
    virtual bool take(MacAddress& base, QString& why) = 0;
    // A byte of the address may reach the chip from now on: it is that chip's for good.
    virtual bool keep(MacAddress base, QString& why) = 0;
    // The chip already carries the address (it comes back for rework): the
    // pool must never hand it out to another chip.
    virtual bool claim(MacAddress base, QString& why) = 0;
    // Nothing of the address was written: back to the pool.
    virtual void giveBack(MacAddress base) = 0;
    // The job ended normally: whatever is held but unused goes back, and any
    // connection is let go (on the worker's thread, which opened it).
    virtual void jobEnded() { }
};
