// File operations that ride out a short hold: a scanner's or an indexer's
// handle on a file that has just appeared or changed, or the image of a
// program that has just ended, which the system lets go a moment later.
#pragma once

// How long a hold is waited out: pauses of 50, 100, ... 500 ms, 2750 ms in all.
enum { PATIENT_TRIES = 10, PATIENT_STEP_MS = 50 };

// Each returns 0 when done, else the system's error of its last try. One that
// fails with a sharing violation, a lock violation or access denied is tried
// again after a pause, each pause traced, until the pauses are spent: a file
// held for longer (the product running) gets its error as before, late.
unsigned long MovePatiently(const char* from, const char* to); // replaces to
unsigned long RemovePatiently(const char* path);
// Whether path could be deleted now: opened for deletion, shared with nobody.
unsigned long ProbePatiently(const char* path);
