#pragma once
// The reference video: opened through FFmpeg, its current frame kept as an RGBA
// image that the interface uploads to a texture, moved by the transport.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "picture/ffmpeg_video.h"

namespace vn {

// What the interface draws. serial grows with every new picture so the
// interface re-uploads its texture only when something changed.
struct VideoImage {
  std::vector<uint8_t> rgba;  // width x height x 4
  int width = 0;
  int height = 0;
  uint64_t serial = 0;
};

struct VideoDecoderState {
  std::string path;
  FfmpegVideo ffmpeg;
  VideoImage display;
  bool useFFmpeg = true;  // FFmpeg is the only back end here

  bool playing = false;
  double playStartClock = 0.0;
  float playStartPos = 0.0f;
  float seekTarget = -1.0f;
  bool seekBackward = false;
  bool rapidScrub = false;
  bool justSeeked = false;
  float firstSampleTime = -1.0f;
  double lastSeekClock = -1.0e9;
  float lastRequestedTime = -1.0f;
  int repositionCount = 0;  // decoder repositionings, for diagnostics

  // Serialises every use of the decoder between the interface and analysis threads.
  std::mutex mutex;

  ~VideoDecoderState();
};

struct VideoPlayer {
  bool loaded = false;
  float duration = 0.0f;
  float fps = 0.0f;
  int width = 0;
  int height = 0;
  float offset = 0.0f;  // where the video starts on the session timeline
  float currentFrameTime = -1.0f;
  std::unique_ptr<VideoDecoderState> decoder;
};

bool LoadVideo(VideoPlayer& player, const std::string& path);
void CloseVideo(VideoPlayer& player);
void Play(VideoPlayer& player);
void Pause(VideoPlayer& player);
void Seek(VideoPlayer& player, float timelineTime);
// Called once per interface frame; returns offset + currentFrameTime.
float Tick(VideoPlayer& player);

// The picture now shown, or null when nothing is loaded.
const VideoImage* DisplayImage(const VideoPlayer& player);

// Seconds of a monotonic high-resolution clock.
double NowSeconds();

}  // namespace vn
