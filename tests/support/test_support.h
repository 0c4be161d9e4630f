// Helpers shared by the unit tests.
#pragma once

#include <QTranslator>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Captures everything written to a FILE* (standard error included) while
// the function runs.
std::string capture_stream(FILE *stream, const std::function<void()> &body);

// Runs body with output going to an in-memory stream; returns the bytes.
std::string capture_output(const std::function<void(FILE *)> &body);

// Writes text to a fresh temporary file and returns its path.
std::string write_temp_file(const std::string &contents, const std::string &suffix = ".txt");

// A fresh, empty temporary directory.
std::string make_temp_dir();

// Installs a test catalogue (tests/catalogues/<base>.qm) for the scope's
// lifetime.
class ScopedCatalogue {
public:
    explicit ScopedCatalogue(const std::string &base);
    ~ScopedCatalogue();
    bool loaded() const { return loaded_; }

private:
    std::unique_ptr<QTranslator> translator_;
    bool loaded_ = false;
};

// One row of a table file: its fields, unescaped. A field written "<null>"
// stands for a null pointer.
struct TableRow {
    std::vector<std::string> fields;
    std::vector<bool> null;
    int line = 0;
    const std::string &operator[](size_t i) const { return fields.at(i); }
    const char *c_str(size_t i) const { return null.at(i) ? nullptr : fields[i].c_str(); }
};

// The rows of the table file tests/<name>: one row per line, fields parted by
// " | ", lines starting with '#' and blank lines skipped. Fields take the
// escapes \\ \t \n \r \v \f \0 \xHH and \| for a bar. A missing file fails
// the test.
std::vector<TableRow> read_table(const std::string &name);
