#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// A progress bar on one line of a terminal; silent when the stream is not a terminal, or
// when told to be.
class TerminalProgress {
public:
    explicit TerminalProgress(std::FILE* stream, bool silent = false);

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
    size_t width_ = 0;  // of the line on the terminal
};

// The progress of a run over several securities. On a terminal: one line, "17 of 3,000
// S00017" and a bar for the whole run, drawn again in place and wiped at the end. Elsewhere
// nothing, or with `verbose` one finished line per security.
class RunLine {
public:
    RunLine(std::FILE* stream, int32_t count, bool verbose, bool silent);

    void Begin(int32_t index, const std::string& symbol, int32_t estimate);
    void Update(int32_t done);
    void Finish(int32_t rows);
    // Wipes the line, before a message and at the end, so no line is left ending in a
    // carriage return.
    void Clear();

private:
    void Draw(int percent);

    std::FILE* stream_;
    bool terminal_;
    bool verbose_;
    bool drawn_ = false;
    int32_t count_;
    int32_t index_ = 0;
    std::string symbol_;
    int32_t estimate_ = 0;
    int percent_ = -1;
    size_t width_ = 0;
};
