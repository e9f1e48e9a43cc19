#pragma once

#include <QString>

// The program's movies are written by avimux: one video stream (MJPEG or YUY2) in "00db"
// chunks, an OpenDML header, and past 1 GiB further "AVIX" RIFF parts, each ending in its
// standard index ("ix00"). The sizes, frame counts and indexes are written only when recording
// ends, so a crash or a power cut leaves a file whose headers say it is empty. Such a file is
// repaired in place from the frames it holds: a cut last frame is dropped, the missing indexes
// are appended, and the RIFF and list sizes, frame counts, super index and the fields avimux
// fills in at the end are written as avimux would have written them.

enum class AviRepairResult {
    NotOurs,  // not a file of the program's writer (or not a regular file): left as it is
    Complete, // recording ended normally: left as it is
    Busy,     // another process holds it (it is being recorded): left as it is
    Repaired,
    Removed, // its recording left no whole frame: removed, as a movie without frames is
    Failed,  // it needs repair but cannot be written, or its parts do not fit together
};

// Checks the movie at path and repairs it when recording did not end.
AviRepairResult RepairAviFile(const QString& path);
