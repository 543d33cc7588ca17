#pragma once
// A store read that a test expects to succeed: its value, or a failure with the read's message.

#include "store/DbResult.h"

#include <gtest/gtest.h>

namespace viscora::test {

template <typename T> T must(DbRead<T> read)
{
    EXPECT_TRUE(read.ok()) << read.error().toStdString();
    return read ? std::move(*read) : T{};
}

} // namespace viscora::test
