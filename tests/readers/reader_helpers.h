// Shared by the reader tests: a fresh tree per test and reading traces held
// in strings through memory streams.
#pragma once

#include "readers/jtdffile.h"
#include "readers/trace_stream.h"
#include "readers/tsffile.h"
#include "tree/dump.h"
#include "tree/tree.h"

#include <gtest/gtest.h>
#include <string>

class ReaderTest : public ::testing::Test {
protected:
    void SetUp() override { tree_init(); }
    void TearDown() override { tree_free(); }

    int read_static_text(const std::string &text, int32_t *counter,
                         const char *path = "/traces/static.tsf")
    {
        TraceStream *stream = trace_open_memory(text.data(), text.size());
        const int result = read_static_stream(stream, path, counter);
        trace_close(stream);
        return result;
    }

    int read_dynamic_text(const std::string &text)
    {
        TraceStream *stream = trace_open_memory(text.data(), text.size());
        const int result = read_dynamic_stream(stream);
        trace_close(stream);
        return result;
    }
};
