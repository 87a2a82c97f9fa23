// The parameter-file interpreter: the file named to a run, its lines (assignments, file,
// line and message commands) and the positional-argument substitution.
#pragma once
#include <string>
#include <vector>

// Processes the file a run was given: a parameter file, or a data file plotted at once.
void dofile(std::string name);
// Replaces the extension of the path's last component (an empty one removes it).
void setext(std::string &path, const std::string &ext);
// Expands %0..%9, %%, %d and %p in a line read from a parameter file.
void argsubst(std::string &line);
// Local date and time in the 24-character form "Sun Dec  6 01:02:48 2026".
std::string datestr();

// What a line (newline removed) of a parameter file is.
enum LineKind { LN_NONE, LN_COMMENT, LN_MESSAGE, LN_ASSIGN, LN_FILE, LN_PLOT };
// Classifies a line; *start is where its text begins after the leading blanks.
int linekind(const std::string &line, size_t *start);
// Interprets one line of a parameter file after substitution.
void spcline(std::string line);

// The name a file command gives: the text after the first run of blanks, trailing blanks
// and line ends removed.
std::string filearg(const std::string &line);
// The points of a line command (x and y in inches, at most 256 pairs).
void plotpoints(const std::string &line, std::vector<double> &x, std::vector<double> &y);
// Parses a message command 'x y "text"'; 0 when the line is to be ignored.
int msgparse(const std::string &line, double *x, double *y, std::string *text);
// The five-point outline of an arrowhead at (x2, y2) coming from (x1, y1); 0 when none.
int arrowhead(double x1, double y1, double x2, double y2, double *px, double *py);
