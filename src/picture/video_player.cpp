#include "picture/video_player.h"

#include <algorithm>
#include <chrono>

#include "picture/reference_audio.h"
#include "picture/video_upload.h"
#include "platform/log.h"

namespace vn {

VideoDecoderState::~VideoDecoderState() { CloseFfmpegVideo(ffmpeg); }

double NowSeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

bool LoadVideo(VideoPlayer& player, const std::string& path) {
  CloseVideo(player);
  SetLoadProgress(0.0f);
  auto state = std::make_unique<VideoDecoderState>();
  state->path = path;
  std::string failure;
  if (!OpenFfmpegVideo(state->ffmpeg, path, failure)) {
    logLine("%s", failure.c_str());
    return false;
  }
  int width = state->ffmpeg.sourceWidth, height = state->ffmpeg.sourceHeight;
  CapDisplaySize(width, height);
  state->display.width = width;
  state->display.height = height;
  state->display.rgba.assign(static_cast<size_t>(width) * height * 4, 0);
  if (!DecodeNextFrame(state->ffmpeg)) {
    logLine("[Video] FFmpeg: first frame decode failed (%s)\n", path.c_str());
    return false;
  }
  player.decoder = std::move(state);
  player.width = width;
  player.height = height;
  player.fps = player.decoder->ffmpeg.fps;
  player.duration = player.decoder->ffmpeg.duration;
  player.loaded = true;
  player.currentFrameTime = -1.0f;
  ShowLastDecodedFrame(player);
  logLine("[Video] loaded via FFmpeg (%s) %dx%d %.2ffps %.2fs (%s)\n", player.decoder->ffmpeg.decoderName.c_str(),
          width, height, player.fps, player.duration, path.c_str());
  RaiseLoadProgress(0.06f);
  ExtractReferenceAudio(path);
  SetLoadProgress(1.0f);
  return true;
}

void CloseVideo(VideoPlayer& player) {
  ClearReferenceAudio();
  player.decoder.reset();
  player.loaded = false;
  player.currentFrameTime = -1.0f;
  player.duration = 0.0f;
  player.fps = 0.0f;
  player.width = 0;
  player.height = 0;
}

void Play(VideoPlayer& player) {
  if (!player.decoder) return;
  VideoDecoderState& d = *player.decoder;
  d.playing = true;
  d.playStartClock = NowSeconds();
  d.playStartPos = d.seekTarget >= 0.0f ? d.seekTarget : std::max(0.0f, player.currentFrameTime);
  d.seekTarget = -1.0f;
}

void Pause(VideoPlayer& player) {
  if (player.decoder) player.decoder->playing = false;
}

const VideoImage* DisplayImage(const VideoPlayer& player) {
  return player.loaded && player.decoder ? &player.decoder->display : nullptr;
}

}  // namespace vn
