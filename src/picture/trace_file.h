#pragma once
// The trace file (.vntrace): the frame columns and events of a finished picture
// read as JSON text, for inspection and annotation outside the program, and
// readable back instead of reading the picture again.
#include <string>

#include "picture/trace_analyzer.h"
#include "picture/video_player.h"

namespace vn {

// What a trace file says of its source: the video at videoPath as player opened it,
// timed at fps from startTC (the project's start timecode; the player's offset is
// added).
TraceSource MakeTraceSource(const std::string& videoPath, const VideoPlayer& player, float fps, float startTC);

// False when the file cannot be written.
bool WriteTraceFile(const std::string& path, const TraceAnalyzer& analyzer, const TraceParams& params,
                    const TraceSource& source);
// The whole text WriteTraceFile writes.
std::string FormatTraceFile(const TraceAnalyzer& analyzer, const TraceParams& params, const TraceSource& source);

// Replaces the analyzer's frames and events with those of the file. False (and
// nothing changed) when the file cannot be read or parsed.
bool ReadTraceFile(const std::string& path, TraceAnalyzer& analyzer);

// The folder of the project file when it has been saved, else the application's
// "Traces" folder; the video's name without its extension + "_trace.vntrace".
std::string TraceFilePath(const std::string& projectPath, const std::string& videoPath);

// "%02d:%02d:%02d:%02d" of tcStartSec + time at the source frame rate (30 when below 1).
std::string TraceTimecode(float time, float tcStartSec, float sourceFps);

}  // namespace vn
