#pragma once
// Builds one JSON text: strings escaped, numbers in their shortest form that reads back as the
// same double (null when not finite), commas placed by remembering whether a container is empty.

#include "core/VbFormat.h"
#include "rheology/Rheology.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace viscora::rheology {

class JsonWriter {
public:
    void open(char bracket)
    {
        separate();
        out_.push_back(bracket);
        first_ = true;
    }
    void close(char bracket)
    {
        out_.push_back(bracket);
        first_ = false;
    }
    void key(const char *k)
    {
        string(k);
        out_.push_back(':');
        first_ = true;
    }
    void string(const std::string &s)
    {
        separate();
        out_.push_back('"');
        for (char c : s) {
            const auto u = static_cast<unsigned char>(c);
            if (c == '"' || c == '\\') {
                out_.push_back('\\');
                out_.push_back(c);
            } else if (u < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", u);
                out_ += buf;
            } else {
                out_.push_back(c);
            }
        }
        out_.push_back('"');
    }
    void number(double v)
    {
        separate();
        out_ += std::isfinite(v) ? shortestText(v) : "null";
    }
    void number(const Value &v)
    {
        if (v.value)
            number(*v.value);
        else
            null();
    }
    template <class V> void member(const char *k, const V &v)
    {
        key(k);
        number(v);
    }
    void boolean(bool b)
    {
        separate();
        out_ += b ? "true" : "false";
    }
    void null()
    {
        separate();
        out_ += "null";
    }
    std::string take() { return std::move(out_); }

private:
    void separate()
    {
        if (!first_)
            out_.push_back(',');
        first_ = false;
    }
    std::string out_;
    bool first_ = true;
};

} // namespace viscora::rheology
