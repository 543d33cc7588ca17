#pragma once
// Time as the program reads it. Blocking waits go through here so that tests can advance
// time instantly instead of sleeping.

namespace viscora {

class Clock {
public:
    virtual ~Clock() = default;
    // Seconds since midnight, with a fractional part (the classic Timer function).
    virtual double secondsSinceMidnight() = 0;
    // Gives up the processor for a moment while a blocking wait polls.
    virtual void idle() = 0;
};

} // namespace viscora
