#pragma once

#include <cstdio>
#include <cstdlib>

#include <cstdint>

namespace lumadesk {
struct StudioData;
struct StudioModel;
} // namespace lumadesk

namespace lumadesk::fuzz {

// A broken promise of the code under test: report it and stop, so that libFuzzer keeps the
// input.
[[noreturn]] inline void broken(const char* what) {
    std::fprintf(stderr, "fuzz: broken: %s\n", what);
    std::abort();
}

inline void expect(bool holds, const char* what) {
    if (!holds)
        broken(what);
}

// The slot rules of a studio: a used flag for each record, each record in its own slot, the count
// right, each record's parent the studio.
void checkStudio(const StudioData& studio);

// The studio a set-up byte names, with units on the channels whose bits `units` holds, made
// current, and addressed as a select would when it is one of the five. Low 3 bits: studio
// 0..4, 5 the memory studio, 6 none, 7 studio 1 with its first unit current (its light node when
// bit 3 is set). Null for none.
StudioData* placeStudio(StudioModel& model, std::uint8_t setup, unsigned units);

// Boxes would go to standard error thousands of times a second; nothing reads them here.
void silenceMessageBoxes();

// A fresh temporary directory as the working directory, for the readers that open files
// relative to it. Made once per process; removed at exit.
void enterScratchDirectory();

// Writes the bytes as the file, replacing what was there.
void writeWholeFile(const char* path, const unsigned char* data, std::size_t size);

} // namespace lumadesk::fuzz
