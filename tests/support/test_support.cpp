#include "support/test_support.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <fstream>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <string>
#include <vector>

namespace {

// Temporary files and folders made by the tests, removed when the test
// program ends.
struct TemporaryPaths {
    std::vector<std::string> paths;
    ~TemporaryPaths()
    {
        for (auto it = paths.rbegin(); it != paths.rend(); ++it) {
            const std::string command = "rm -rf '" + *it + "'";
            if (system(command.c_str()) != 0)
                fprintf(stderr, "could not remove %s\n", it->c_str());
        }
    }
};

TemporaryPaths temporary_paths;

}  // namespace

std::string capture_stream(FILE *stream, const std::function<void()> &body)
{
    fflush(stream);
    char path[] = "/tmp/tally_capture_XXXXXX";
    int file = mkstemp(path);
    int saved = dup(fileno(stream));
    dup2(file, fileno(stream));
    body();
    fflush(stream);
    dup2(saved, fileno(stream));
    close(saved);

    std::string contents;
    lseek(file, 0, SEEK_SET);
    char buffer[4096];
    ssize_t count;
    while ((count = read(file, buffer, sizeof buffer)) > 0)
        contents.append(buffer, count);
    close(file);
    unlink(path);
    return contents;
}

std::string capture_output(const std::function<void(FILE *)> &body)
{
    char *data = nullptr;
    size_t size = 0;
    FILE *stream = open_memstream(&data, &size);
    body(stream);
    fclose(stream);
    std::string contents(data, size);
    free(data);
    return contents;
}

std::string write_temp_file(const std::string &contents, const std::string &suffix)
{
    std::string pattern = "/tmp/tally_test_XXXXXX" + suffix;
    std::vector<char> path(pattern.begin(), pattern.end());
    path.push_back('\0');
    int file = mkstemps(path.data(), static_cast<int>(suffix.size()));
    ssize_t written = write(file, contents.data(), contents.size());
    (void)written;
    close(file);
    temporary_paths.paths.push_back(path.data());
    return path.data();
}

std::string make_temp_dir()
{
    char path[] = "/tmp/tally_dir_XXXXXX";
    const std::string made = mkdtemp(path);
    temporary_paths.paths.push_back(made);
    return made;
}

ScopedCatalogue::ScopedCatalogue(const std::string &base)
    : translator_(new QTranslator)
{
    loaded_ = translator_->load(QString::fromStdString(base), QStringLiteral(TALLY_TEST_LOCALE_DIR));
    if (loaded_)
        QCoreApplication::installTranslator(translator_.get());
}

ScopedCatalogue::~ScopedCatalogue()
{
    if (loaded_)
        QCoreApplication::removeTranslator(translator_.get());
}

namespace {

std::string unescaped(const std::string &text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[++i];
        const char *plain = strchr("tnrvf0", next);
        if (plain && next)
            out += "\t\n\r\v\f"[plain - "tnrvf0"];  // \0 takes the terminator
        else if (next == 'x' && i + 2 < text.size()) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else
            out += next;
    }
    return out;
}

}  // namespace

std::vector<TableRow> read_table(const std::string &name)
{
    std::ifstream in(std::string(TALLY_TEST_DATA_DIR) + "/" + name);
    EXPECT_TRUE(in.good()) << "no table file " << name;
    std::vector<TableRow> rows;
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        if (line.empty() || line[0] == '#')
            continue;
        TableRow row;
        row.line = number;
        for (size_t start = 0;;) {
            const size_t bar = line.find(" | ", start);
            const std::string field = line.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
            row.null.push_back(field == "<null>");
            row.fields.push_back(unescaped(field));
            if (bar == std::string::npos)
                break;
            start = bar + 3;
        }
        rows.push_back(row);
    }
    return rows;
}
