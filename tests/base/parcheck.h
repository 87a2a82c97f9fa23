// The parameters a step changed, for the tests of every floor that sets them.
#pragma once
#include <sstream>
#include <string>

#include "base/params.h"

// "name=value " for each parameter unlike its default, markers included, in table order.
inline std::string changed() {
    std::ostringstream s;
    for (const IntPar &p : intpars)
        if (par.*p.val != Params{}.*p.val) s << p.name << '=' << int(par.*p.val) << ' ';
    for (const FloatPar &p : floatpars)
        if (par.*p.val != Params{}.*p.val) s << p.name << '=' << par.*p.val << ' ';
    return s.str();
}
