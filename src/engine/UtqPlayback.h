// Choosing and running segments.
#pragma once

#include <cstdint>

// Makes the segment at index current when there is one.
void SelectSegment(std::int32_t index);

// The frame side of a segment start: makes the segment current, sizes the ring for its
// largest record, empties the ring, rewinds the segment's streams, starts the reader and waits
// for the first record. True once that record is in FrontBlock; false when the segment cannot
// be played (no such segment, no ring, a picture without a run format) or no record came, and
// with overtaken set when a stop handled inside the wait took the segment over.
bool StartSegmentFrames(std::int32_t index, bool* overtaken = nullptr);

#ifdef _WIN32
// The transport, on the main thread. A start draws the segment's first frame at the first tick.
//
// A start waits on the main thread for the first record, and that wait dispatches the main
// window's messages: a command handled inside it (Stop, another start, Open, the window's
// end) overtakes the start, which then gives up without touching the state again.
bool StartSegment(std::int32_t index);
void Play();
void Pause();
void Stop();
void SetPlayState(std::uint8_t state);
// The main window's end: no tick and no reader are left.
void EndPlayback();
#endif
