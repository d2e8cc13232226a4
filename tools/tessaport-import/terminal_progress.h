#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// A progress bar on one line of a terminal; silent when the stream is not a terminal.
class TerminalProgress {
public:
    explicit TerminalProgress(std::FILE* stream);

    void Start(const std::string& name, int32_t estimate);
    void Update(int32_t done);
    // Ends the line: with the number of rows written, or blank for a message to follow.
    void Finish(int32_t rows);
    void Abandon();

private:
    void Draw(int percent);

    std::FILE* stream_;
    bool enabled_;
    bool drawn_ = false;
    std::string name_;
    int32_t estimate_ = 0;
    int percent_ = -1;
};
