#pragma once
// Writes small video files with known content through libavcodec, for the tests,
// the benchmarks and the demo. Pictures come from a painter called per frame.
#include <cstdint>
#include <functional>
#include <string>

namespace vn::tools {

// Paints frame `index` into width x height RGBA bytes (rows packed).
using FramePainter = std::function<void(int index, uint8_t* rgba, int width, int height)>;

enum class TestVideoCodec {
  Lossless,  // FFV1 in Matroska (.mkv): the decoded pixels equal the painted ones
  Mpeg4,     // MPEG-4 Visual with AAC sound in MP4 (.mp4): small and cheap to decode
};

struct TestVideoSpec {
  int width = 160;
  int height = 90;
  int fps = 10;
  double seconds = 4.0;
  TestVideoCodec codec = TestVideoCodec::Lossless;
  int mpeg4Quality = 3;  // quantiser scale, 1 best .. 31 smallest
  // A stereo tone: left at toneHz, right at twice that, peaking at toneLevel. 0 = no sound track.
  double toneHz = 0.0;
  double toneLevel = 0.5;
  FramePainter paint;
};

// False with a reason when the file cannot be written.
bool WriteTestVideo(const std::string& path, const TestVideoSpec& clipSpec, std::string& error);

}  // namespace vn::tools
