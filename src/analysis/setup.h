// Analysis setup: every quantity the drawing and the analysis of one plot share, derived
// from the parameters, the open file's rate and length and the device's resolution.
// Dot values are device dots: rows along x (time), columns along y (frequency).
#pragma once
#include <cstdint>

struct Ana {
    int xres = 0, yres = 0;     // dots per inch of the open device
    int pltx = 0;               // left edge of the plot in rows, relative to xpos
    int pltx0 = 0;              // left edge of the plot in rows
    int plty = 0, plth = 0;     // spectrogram panel: bottom column, height
    int wavy = 0, wavh = 0;     // waveform panel
    int enry = 0, enrh = 0;     // energy panel
    int ticy = 0, ticx = 0;     // tic lengths
    int tic75y = 0, tic75x = 0; // three quarters of a tic
    int tic50y = 0, tic50x = 0; // half a tic
    int pagex = 0, pagey = 0;   // page size in dots
    int pltw = 0;               // rows per page, one time slice per row
    float flo = 0, fhi = 0;     // analysed frequency range, Hz
    float fgridv = 0;           // frequency-grid spacing in effect
    float lnr = 0;              // ln(fhi / flo) for the octave axis, else 0
    float tpg0 = 0, tpg1 = 0;   // current page, seconds
    float tpgstep = 0;          // page advance, seconds (0: paging off)
    float tend = 0;             // end of the plotted range, seconds
    float tfirst = 0;           // start of the first page, seconds
    int npages = 1;             // pages the range takes
    float prt = 0;              // print rate, inches per second
    int tom = 0;                // order of magnitude of prt
    double t_ti = 0;            // time-tic interval
    float wfac = 1;             // window-width factor
    int nwin = 0;               // window length, samples (0..8192)
    int nfft = 0;               // FFT length, 8..8192
    int nbins = 0;              // nfft / 2 + 1
    int kmin = 0, nk = 0;       // first displayed bin, displayed rows
    float spp = 0;              // seconds per row
    float tsamp = 0;            // seconds per sample
    int fftskp = 1;             // rows between computed spectra
    double ttic = 0;            // time-grid unit, seconds
};
inline Ana ana;

enum { SBUFMAX = 8192, SPECMAX = 8194, GCOLMAX = 4097, NKMAX = 4096 };

// Derives every value above for the file in sd; returns 0 when the plot can go on, 1 when
// there is no device to draw on, ABANDON when the plot was refused (each said).
int setup();
// Allocates the sample window and spectrum buffers on first use; 1 when memory is out.
int anabufs();
// Has the run's output device opened (the openplot hook) and takes its resolution; 0 when
// a plot is open afterwards, 1 when there is none.
int plotready();
// Bounds of page k (from 0) into tpg0 and tpg1, reckoned in double from the first page's
// start so that many short pages never drift; 1 when it is the last, shorter page.
int pagebounds(int k);
