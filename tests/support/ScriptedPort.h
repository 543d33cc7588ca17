#pragma once
// A SerialPort that records every write with the clock time it happened at and delivers
// scripted replies when the clock reaches them.

#include "core/Clock.h"
#include "device/SerialPort.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace viscora::test {

class ScriptedPort : public SerialPort {
public:
    explicit ScriptedPort(Clock &clock) : clock_(clock) {}

    void setPortNumber(int n) override
    {
        ++configured;
        portNumber = n;
    }
    void setSettings(const std::string &s) override { settings = s; }
    void setReadLength(int n) override { readLength = n; }
    bool open() override
    {
        ++opens;
        if (portNumber != availablePort || failOpen)
            return false;
        isOpen_ = true;
        return true;
    }
    void close() override
    {
        if (isOpen_)
            ++closes;
        isOpen_ = false;
    }
    bool isOpen() const override { return isOpen_; }
    bool broken() const override { return isOpen_ && brokenNow; }
    bool write(const std::string &bytes) override
    {
        if (!isOpen_ || (failWriteAfter >= 0 && static_cast<int>(writes.size()) >= failWriteAfter))
            return false;
        writes.push_back({bytes, clock_.secondsSinceMidnight()});
        if (onWrite)
            onWrite(bytes);
        return true;
    }
    int bytesWaiting() override
    {
        pull();
        return static_cast<int>(buffer.size());
    }
    std::string readAll() override
    {
        pull();
        std::string out;
        out.swap(buffer);
        return out;
    }

    // Bytes that arrive once the clock reads at least `at`.
    void deliver(std::string bytes, double at) { pending.push_back({std::move(bytes), at}); }
    std::string allWritten() const
    {
        std::string s;
        for (const auto &w : writes)
            s += w.bytes;
        return s;
    }

    struct Write {
        std::string bytes;
        double at;
    };
    std::vector<Write> writes;
    std::function<void(const std::string &)> onWrite;
    std::string buffer;
    int availablePort = 1;
    bool failOpen = false;
    bool brokenNow = false; // the device went away under the open port
    int failWriteAfter = -1;
    int portNumber = 0;
    int configured = 0;
    int opens = 0;
    int closes = 0;
    int readLength = -1;
    std::string settings;

private:
    void pull()
    {
        const double now = clock_.secondsSinceMidnight();
        while (!pending.empty() && pending.front().at <= now) {
            if (isOpen_)
                buffer += pending.front().bytes;
            pending.pop_front();
        }
    }
    struct Pending {
        std::string bytes;
        double at;
    };
    Clock &clock_;
    std::deque<Pending> pending;
    bool isOpen_ = false;
};

} // namespace viscora::test
