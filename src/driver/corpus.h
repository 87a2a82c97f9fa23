// The recordings of a batch: the files named and those found in the folders named, in one
// sorted list every shard of the same command line agrees on.
#pragma once
#include <string>
#include <vector>

struct Rec {
    std::string path; // the recording, as found from its argument
    std::string dir;  // its folder relative to the folder argument it came from ("" at the top)
};

// True when the name's extension (any case) is that of a format the system reads.
bool soundext(const std::string &name);
// The recordings of the arguments, sorted by path, each once; an argument that names
// nothing readable is said and counted in *missing.
std::vector<Rec> corpusfind(const std::vector<std::string> &args, int *missing);
// Every n-th recording of the list, starting at the k-th (0 <= k < n).
std::vector<Rec> shardpick(const std::vector<Rec> &recs, int k, int n);
