// Shared by the driver tests: parameter comparison, beside the common test kit.
#pragma once
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "base/params.h"
#include "testkit.h"

// Name of the first parameter (markers included) in which a and b differ, "" if none.
inline std::string pardiff(const Params &a, const Params &b) {
    for (const IntPar &p : intpars) {
        if (a.*p.val != b.*p.val) return p.name;
    }
    for (const FloatPar &p : floatpars) {
        if (a.*p.val != b.*p.val) return p.name;
    }
    return "";
}
