// Stroke text: a built-in Hershey-style vector font placed by an anchor and a
// justification pair, stroked through polydots and optionally boxed.
#pragma once
#include <string>

void txtup(double a, double b);
void txtweight(double w);
void txtsize(double inches);
void txtjust(int h, int v);
void txtbox(int flag);
// Width in inches: advances of the codes 32..126 times size / 21.
double txtwidth(const std::string &s);
// Draws s anchored at (x, y) inches; 0, or ovlblock's code when the block failed.
int txtdraw(double x, double y, const std::string &s);
