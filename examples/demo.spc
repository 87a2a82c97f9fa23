; The demo recording: a vowel gliding from "a" towards "i", a pause, an "s"-like
; fricative and a second vowel. Plotted on one page with a few annotations.
date=2
newpage=0
tmax=2.0
sdfile demo.wav
; annotations, in inches from the lower left corner of the landscape page
msgsiz=0.12
mhal=1
1.7 4.95 "vowel: pitch and formants glide"
aronum=1
plot 3.2 4.85 3.55 2.3
mhal=2
5.43 4.95 "pause"
6.65 1.2 "fricative noise"
plot 6.65 1.35 6.65 2.5
; bracket under the pause, below the time numbers
aronum=0
plot 4.86 0.52 4.86 0.42 6.01 0.42 6.01 0.52
mhal=2
msgsiz=0.09
5.43 0.22 "silence"
