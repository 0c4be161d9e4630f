// The static trace reader: record fields, the extra empty record at the end,
// scope nesting by the current scope, statement kinds, source names, section
// numbers across files and the mends for empty texts; and the one failure
// both readers have, an input that cannot be read. Trees are compared as text
// dumps.
#include "reader_helpers.h"

#include "readers/read_ahead.h"
#include "support/test_support.h"

#include <unistd.h>

namespace {

TEST(StaticRecords, OneEmptyRecordAfterTheLastLine)
{
    TraceStream *stream = trace_open_memory("ED \n", 4);
    EXPECT_EQ(read_static_record(stream).kind, STATIC_ED);
    EXPECT_FALSE(trace_eof(stream));
    EXPECT_EQ(read_static_record(stream).kind, STATIC_OTHER);
    EXPECT_TRUE(trace_eof(stream));
    trace_close(stream);
}

using StaticReader = ReaderTest;

TEST_F(StaticReader, SectionNumbersCarryAcrossFilesAndStateDoesNot)
{
    const std::string first = write_temp_file("DB x\nIN \"File\" 1 \"A\"\nLK 9\nED \n"
                                              "IN \"File\" 1 \"B\"\nIN \"TestCase\" 5 \"c\"\nED \n");
    // An ED without a line end still counts; "ED\nDB" reads as one keyword.
    const std::string second = write_temp_file("ED\nDB x\nIN \"File\" 1 \"C\"\nTX 3 \"first statement\"\nED ");
    int32_t counter = 0;
    EXPECT_EQ(read_static_trace(first.c_str(), &counter), 0);
    EXPECT_EQ(counter, 2);
    EXPECT_EQ(read_static_trace(second.c_str(), &counter), 0);
    EXPECT_EQ(counter, 3);
    // The second file starts with scope 1 and line 0 again.
    EXPECT_EQ(dump_tree(),
              "15 2/1 \"C\" line=0 status=3\n"
              "  3 2/3 \"first statement\" line=0 status=0 [0/0/0/0]\n"
              "15 1/1 \"B\" line=0 status=3\n"
              "  26 1/5 \"c\" line=0 status=3\n"
              "15 0/1 \"A\" line=0 status=3\n");
    EXPECT_EQ(take(file_name_of(2)), second);
    unlink(first.c_str());
    unlink(second.c_str());
}

// Directories, missing files and read errors fail; anything readable is
// read to its end.
TEST(Readers, FailOnlyWhenTheInputCannotBeRead)
{
    const std::string directory = make_temp_dir(), garbage = write_temp_file("not a trace\n\xff\xfe\n");
    for (const std::string &path : {directory, directory + "/missing", std::string("/proc/self/mem"), garbage}) {
        tree_init();
        int32_t counter = 0;
        EXPECT_EQ(read_static_trace(path.c_str(), &counter), path == garbage ? 0 : -1) << path;
        EXPECT_EQ(read_dynamic_trace(path.c_str()), path == garbage ? 0 : -1) << path;
        EXPECT_EQ(counter, 0);
    }
    tree_free();
    unlink(garbage.c_str());
    rmdir(directory.c_str());
}

}  // namespace
