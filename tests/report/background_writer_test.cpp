// The background writer must put every byte on the stream in order, copied,
// built in place or given whole, whether the thread ran (several chunks) or not (less
// than one), and leave a write error on the stream for the caller to see. A
// new file's blocks, reserved ahead of the bytes, must not outlast the end.
#include "report/background_writer.h"

#include "report/markup.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <sys/stat.h>

namespace {

// in_place: written as over an old file; otherwise as a new one.
std::string write_through(size_t total, bool in_place = true)
{
    FILE *stream = tmpfile();
    EXPECT_NE(stream, nullptr);
    std::mt19937 random(total);
    std::string expected;
    fputs("before;", stream);  // written directly before the writer begins
    expected += "before;";
    background_writer_begin(stream, in_place);
    while (expected.size() < total) {
        std::string piece(random() % 70000, static_cast<char>('a' + random() % 26));
        if (random() % 50 == 0)
            piece.assign(3 << 20, 'Z');  // larger than a chunk
        else if (random() % 30 == 0)
            piece.assign(600000 + random() % 10, 'G');  // worth giving whole
        if (random() % 25 == 0) {
            // Built in a buffer of the caller's and given whole, or copied
            // when it is small; a buffer given whole comes back empty.
            Markup given;
            given.append(piece.data(), piece.size());
            if (background_writer_give(stream, given))
                EXPECT_TRUE(given.empty());
            else
                EXPECT_TRUE(piece.size() < (1 << 19) && background_writer_take(stream, given.data(), given.size()));
        } else if (random() % 20 == 0) {
            // Built in place, between copied pieces.
            Markup *chunk = background_writer_chunk(stream);
            EXPECT_NE(chunk, nullptr);
            if (!chunk)
                break;
            chunk->append(piece.data(), piece.size());
            background_writer_filled();
        } else {
            EXPECT_TRUE(background_writer_take(stream, piece.data(), piece.size()));
        }
        expected += piece;
    }
    EXPECT_FALSE(background_writer_take(stdout, "x", 1));  // another stream: not queued
    EXPECT_EQ(background_writer_chunk(stdout), nullptr);
    background_writer_end();
    EXPECT_FALSE(background_writer_take(stream, "x", 1));  // ended: not queued
    EXPECT_FALSE(ferror(stream));
    struct stat status;
    EXPECT_EQ(fflush(stream), 0);
    EXPECT_EQ(fstat(fileno(stream), &status), 0);
    EXPECT_EQ(static_cast<size_t>(status.st_size), expected.size());
    EXPECT_LE(static_cast<size_t>(status.st_blocks) * 512, expected.size() + (1 << 20)) << "reserved blocks kept";
    std::string written(expected.size() + 1, '\0');
    rewind(stream);
    written.resize(fread(&written[0], 1, written.size(), stream));
    fclose(stream);
    EXPECT_TRUE(written == expected) << written.size() << " bytes written, " << expected.size() << " given";
    return written;
}

}  // namespace

TEST(BackgroundWriter, EveryByteInOrder)
{
    write_through(100000);    // stays below one chunk: no thread
    write_through(40 << 20);  // many chunks through the thread, with writeback started
    write_through(9 << 20);   // and again, after the thread has ended once
    write_through(100000, false);    // a new file, blocks reserved ahead
    write_through(150 << 20, false);  // past more than one reservation
}

TEST(BackgroundWriter, WriteErrorsStayOnTheStream)
{
    FILE *stream = fopen("/dev/full", "w");
    ASSERT_NE(stream, nullptr);
    background_writer_begin(stream, true);
    const std::string piece(1 << 20, 'x');
    for (int i = 0; i < 5; ++i)
        background_writer_take(stream, piece.data(), piece.size());
    background_writer_end();
    EXPECT_TRUE(ferror(stream));
    fclose(stream);
}
