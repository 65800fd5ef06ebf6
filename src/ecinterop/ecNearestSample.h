#pragma once

// Seconds become samples for the file formats and for times people type:
// the nearest sample in double, halves away from zero on both sides of zero
// (-0.5 s at 1 Hz is sample -1). The library's own operations keep their
// single-precision rule; the two are not interchangeable.
double ecNearestSample(double seconds, double rate);

// Whether a sample number (a whole number in double) fits the event's
// 32-bit sample fields.
bool ecFitsSample(double sample);

// The last sample an event covers when it starts at sample start and lasts
// duration seconds: a duration that rounds to at most one sample leaves a
// point event (start itself).
double ecLastSample(double start, double duration, double rate);
