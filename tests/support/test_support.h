// Helpers shared by the unit tests.
#pragma once

#include <QTranslator>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

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
