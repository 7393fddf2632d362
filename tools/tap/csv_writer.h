#pragma once
// Writes the recording a whole row at a time, straight to the file, so a row is on disk
// (or in the pipe) as soon as it is made. If a write fails (disk full, reader gone) it says
// so once on standard error and writes nothing more, so the file never holds a broken row
// after a good one; the caller goes on forwarding.

#include <string>

class CsvWriter {
public:
    CsvWriter() = default;
    ~CsvWriter();
    CsvWriter(const CsvWriter&) = delete;
    CsvWriter& operator=(const CsvWriter&) = delete;

    // An empty path writes to standard output. False with `error` if the file cannot be created.
    bool open(const std::string& path, std::string& error);
    void write(const std::string& text);
    bool failed() const { return failed_; }

private:
    int fd_ = -1;
    bool owned_ = false;
    bool failed_ = false;
    std::string name_;
};
