// The record of a batch: a row per recording into a CSV or JSON Lines file, written as each
// recording ends so an interrupted run keeps what it did. Shards' files merge by
// concatenation: JSON Lines have no header, a CSV's header comes from shard 0 only.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

struct Row {
    std::string input;                // the recording
    std::vector<std::string> outputs; // files written (or found up to date)
    std::string status;               // done, skipped or failed
    int pages = 0;                    // pages drawn
    double seconds = 0;               // the run's time
    long peakkb = 0;                  // the worker's peak resident memory during the run, kB
    std::string message;              // why it failed
};

struct Manifest {
    FILE *fp = nullptr;
    int json = 0; // JSON Lines, else CSV
};
inline Manifest man;

// Makes the file (JSON Lines when its name ends in .jsonl or .json, else CSV), with the CSV
// header when header is 1; 1 when it cannot be made (said).
int manopen(const std::string &path, int header);
// The row as one line of the file's kind, line end included.
std::string manline(const Row &row, int json);
// Writes and flushes a row, when a file is open.
void manrow(const Row &row);
// Closes the file; 1 when it was not written whole (said).
int manclose();
