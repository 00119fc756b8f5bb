// Seeking, scrubbing and playback of the reference video.
#include <algorithm>
#include <cmath>

#include "picture/video_player.h"
#include "picture/video_upload.h"

namespace vn {
namespace {

constexpr int kMaxFramesPerAdvance = 4000;
constexpr int kMaxFramesPerPlayTick = 16;
constexpr double kSeekBudget = 0.010;
constexpr double kIdleBudget = 0.008;
constexpr float kForwardHopLimit = 5.0f;
constexpr double kRapidScrubInterval = 0.3;

float halfFrameOf(const VideoPlayer& player) { return player.fps > 0.0f ? 0.5f / player.fps : 0.02f; }

// Decodes towards the pending seek target for at most `budget` seconds; the
// target stays pending when the budget runs out first.
void advanceTowardsTarget(VideoPlayer& player, double budget) {
  VideoDecoderState& d = *player.decoder;
  if (d.seekTarget < 0.0f) return;
  const float half = halfFrameOf(player);
  const double deadline = NowSeconds() + budget;
  for (int n = 0; n < kMaxFramesPerAdvance; ++n) {
    if (!DecodeNextFrame(d.ffmpeg)) {
      ShowLastDecodedFrame(player);
      d.seekTarget = -1.0f;
      return;
    }
    const float t = d.ffmpeg.lastFrameTime;
    if (t + half >= d.seekTarget) {
      ShowLastDecodedFrame(player);
      d.seekTarget = -1.0f;
      d.justSeeked = false;
      return;
    }
    if (d.justSeeked) {
      // Backward scrubbing shows the key frame it lands on, so the picture moves.
      d.justSeeked = false;
      if (d.seekBackward && d.rapidScrub && std::fabs(t - d.firstSampleTime) > 0.001f) ShowLastDecodedFrame(player);
      d.firstSampleTime = t;
    }
    if (NowSeconds() > deadline) break;
  }
  if (!d.seekBackward) ShowLastDecodedFrame(player);
}

}  // namespace

void ShowLastDecodedFrame(VideoPlayer& player) {
  VideoDecoderState& d = *player.decoder;
  if (d.ffmpeg.lastFrameTime < 0.0f) return;
  if (!ConvertLastFrame(d.ffmpeg, d.display.rgba.data(), d.display.width, d.display.height)) return;
  ++d.display.serial;
  player.currentFrameTime = d.ffmpeg.lastFrameTime;
}

void Seek(VideoPlayer& player, float timelineTime) {
  if (!player.loaded || !player.decoder) return;
  float t = std::clamp(timelineTime - player.offset, 0.0f, player.duration);
  if (player.fps > 0.0f) t = std::round(t * player.fps) / player.fps;
  if (std::fabs(t - player.currentFrameTime) < 0.0001f) return;
  VideoDecoderState& d = *player.decoder;
  std::lock_guard<std::mutex> lock(d.mutex);
  const double now = NowSeconds();
  const bool repeatsPending = d.seekTarget >= 0.0f && std::fabs(d.seekTarget - t) < 0.0001f;
  if (!repeatsPending) {
    const float current = player.currentFrameTime;
    d.seekBackward = current >= 0.0f && current - 0.0001f > t;
    d.rapidScrub = d.seekBackward && now - d.lastSeekClock < kRapidScrubInterval;
    d.lastSeekClock = now;
    // A short hop forward decodes on from where the decoder stands; only a decoder
    // still short of the target and not drained can do that.
    const bool forwardHop = current >= 0.0f && t > current && t - current < kForwardHopLimit &&
                            !d.ffmpeg.flushSent && d.ffmpeg.lastFrameTime + halfFrameOf(player) < t;
    if (!forwardHop) {
      d.justSeeked = true;
      SeekFfmpegVideo(d.ffmpeg, t);
      ++d.repositionCount;
    }
  }
  d.lastRequestedTime = t;
  d.seekTarget = t;
  advanceTowardsTarget(player, kSeekBudget);
  if (d.playing) {
    d.playStartClock = NowSeconds();
    d.playStartPos = std::max(0.0f, player.currentFrameTime);
  }
}

float Tick(VideoPlayer& player) {
  if (!player.loaded || !player.decoder) return player.offset + player.currentFrameTime;
  VideoDecoderState& d = *player.decoder;
  std::lock_guard<std::mutex> lock(d.mutex);
  if (!d.playing) {
    advanceTowardsTarget(player, kIdleBudget);
    return player.offset + player.currentFrameTime;
  }
  const float half = halfFrameOf(player);
  const float playhead =
      std::min(player.duration, d.playStartPos + static_cast<float>(NowSeconds() - d.playStartClock));
  for (int n = 0; n < kMaxFramesPerPlayTick && playhead > d.ffmpeg.lastFrameTime + half; ++n) {
    if (!DecodeNextFrame(d.ffmpeg)) {
      d.playing = false;
      break;
    }
  }
  // Only the newest decoded frame is converted, and only once the playhead reaches it.
  const float decoded = d.ffmpeg.lastFrameTime;
  if (decoded >= 0.0f && decoded != player.currentFrameTime && decoded <= playhead + half) ShowLastDecodedFrame(player);
  return player.offset + player.currentFrameTime;
}

}  // namespace vn
