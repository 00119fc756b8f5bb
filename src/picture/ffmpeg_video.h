#pragma once
// One opened video stream through FFmpeg: container, decoder and scaler. The
// playback player and the private decoder used for picture analysis each own one.
#include <cstdint>
#include <string>

struct AVFormatContext;
struct AVCodecContext;
struct SwsContext;
struct AVPacket;
struct AVFrame;

namespace vn {

struct FfmpegVideo {
  AVFormatContext* container = nullptr;
  AVCodecContext* decoder = nullptr;
  SwsContext* scaler = nullptr;
  AVPacket* packet = nullptr;
  AVFrame* frame = nullptr;      // receives from the decoder
  AVFrame* lastFrame = nullptr;  // the most recent decoded frame, kept for conversion
  int streamIndex = -1;
  bool flushSent = false;  // end of input reached and the decoder was sent an empty packet
  double timeBase = 0.0;   // seconds per stream tick
  float fps = 24.0f;
  int sourceWidth = 0;
  int sourceHeight = 0;
  float duration = 0.0f;
  float lastFrameTime = -1.0f;  // time of lastFrame, -1 before the first decode
  std::string decoderName;
};

// Opens the container, finds the best video stream and opens its decoder. On
// failure every object is freed and `failure` holds the diagnostic line that
// names the failed step (the path filled in), ready for logLine.
bool OpenFfmpegVideo(FfmpegVideo& video, const std::string& path, std::string& failure);
void CloseFfmpegVideo(FfmpegVideo& video);

// Decodes the next frame into lastFrame and sets lastFrameTime; false at the end
// of the stream or on a decoder error.
bool DecodeNextFrame(FfmpegVideo& video);

// Repositions to the key frame at or before t and flushes the decoder.
void SeekFfmpegVideo(FfmpegVideo& video, float t);

// Scales lastFrame bilinearly into width x height RGBA bytes (rows packed).
bool ConvertLastFrame(FfmpegVideo& video, uint8_t* rgba, int width, int height);

// Keeps FFmpeg's own log to fatal errors; the program reports failures itself.
void QuietFfmpegLog();

// The display size after the cap of 1280 pixels on the long side.
void CapDisplaySize(int& width, int& height);

}  // namespace vn
