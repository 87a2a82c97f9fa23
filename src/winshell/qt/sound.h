// Plays a plotted recording through the sound device, synchronously: the window takes no
// other command until it ends, and a key or a click stops it.
#pragma once
#include <QString>

#include "analysis/plot.h"

class QWidget;

// Plays the record's file from the sample reader at its rate; "" when it played, else
// what kept it from playing (no sound device, a refused format, an unreadable file).
QString playsound(const PlotRec &rec, QWidget *owner);
