// Stroke text: a built-in Hershey-style vector font placed by an anchor and a
// justification pair, stroked through polydots and optionally boxed.
#pragma once
#include <string>

// Text state, kept until changed.
struct Txt {
    double upx = 0.0, upy = 1.0; // unit up vector; the baseline runs along (upy, -upx)
    double size = 0.2;           // capital height in inches (21 font units)
    double weight = 1.0;         // stroke width = size x weight x 0.1 inch
    int hjust = 1;               // 0/1 start, 2 middle, 3 end
    int vjust = 4;               // font level through the anchor (4: baseline)
    int box = 1;                 // frame the string
};
inline Txt txt;

void txtup(double a, double b);
void txtweight(double w);
void txtsize(double inches);
void txtjust(int h, int v);
void txtbox(int flag);
// Width in inches: advances of the codes 32..126 times size / 21.
double txtwidth(const std::string &s);
// Draws s anchored at (x, y) inches; 0, or ovlblock's code when the block failed.
int txtdraw(double x, double y, const std::string &s);
